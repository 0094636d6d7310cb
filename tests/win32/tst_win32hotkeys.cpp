// Global hotkeys through RegisterHotKey: F8 registered, delivered to this thread's
// queue for the key and modifiers registered, and refused when already taken, with a
// reason that says who holds it.
#include <cstdio>
#include <cstring>

#include "platform/win32/Win32Hotkeys.h"
#include "platform/win32/Win32Input.h"
#include "win32/support/InputRecords.h"
#include "win32/support/WineTest.h"

namespace {

const wchar_t kHeldEvent[] = L"FlowsmithWineTestF8Held";
const wchar_t kReleaseEvent[] = L"FlowsmithWineTestF8Release";

// The ids of the hotkeys that arrive within the time.
std::vector<int> hotkeysWithin(DWORD milliseconds) {
    std::vector<int> ids;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const int id = Win32Hotkeys::idOf(msg);
            if (id >= 0) ids.push_back(id);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return ids;
}

void tap(WORD virtualKey, WORD modifier = 0) {
    std::vector<INPUT> batch;
    if (modifier) batch.push_back(keyRecord(modifier, false));
    batch.push_back(keyRecord(virtualKey, false));
    batch.push_back(keyRecord(virtualKey, true));
    if (modifier) batch.push_back(keyRecord(modifier, true));
    Win32Input::send(batch);
}

void delivered() {
    std::string error;
    if (!CHECK(Win32Hotkeys::add(1, 0, VK_F8, &error))) std::printf("    %s\n", error.c_str());
    CHECK(Win32Hotkeys::add(2, MOD_CONTROL, VK_F8, &error));
    const struct {
        const char* name;
        WORD modifier;
        WORD key;
        std::vector<int> ids;
    } rows[] = {
        {"F8", 0, VK_F8, {1}},
        {"Ctrl+F8", VK_CONTROL, VK_F8, {2}},
        {"Shift+F8, not registered", VK_SHIFT, VK_F8, {}},
        {"F7", 0, VK_F7, {}},
    };
    for (const auto& row : rows) {
        tap(row.key, row.modifier);
        const std::vector<int> ids = hotkeysWithin(300);
        if (!CHECK_EQUAL(ids, row.ids)) std::printf("    for %s\n", row.name);
    }
    // During a run the stop key answers under every other combination too, except
    // those already held (Ctrl+F8 here).
    const std::vector<int> others = Win32Hotkeys::addOtherCombinations(10, 0, VK_F8);
    CHECK_EQUAL(int(others.size()), 14);
    tap(VK_F8, VK_SHIFT);
    CHECK_EQUAL(hotkeysWithin(300), std::vector<int>{10 + 1});  // the combination's bits: Shift
    for (int id : others) Win32Hotkeys::remove(id);
    for (int id : {1, 2}) Win32Hotkeys::remove(id);
    tap(VK_F8);
    CHECK_EQUAL(hotkeysWithin(300), std::vector<int>{});
}

// The second program of refusedWhenTaken: holds F8 until told to let go.
int holdF8() {
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEvent);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, kReleaseEvent);
    if (!held || !release || !RegisterHotKey(nullptr, 7, 0, VK_F8)) return 2;
    SetEvent(held);
    WaitForSingleObject(release, 20000);
    return 0;
}

void refusedWhenTaken() {
    std::string error;
    // A second registration inside this program.
    CHECK(Win32Hotkeys::add(1, 0, VK_F8, &error));
    CHECK(!Win32Hotkeys::add(2, 0, VK_F8, &error));
    CHECK_EQUAL(error, std::string("this program has already registered this key"));
    Win32Hotkeys::remove(1);
    CHECK(Win32Hotkeys::add(3, 0, VK_F8, &error));  // free again once removed
    Win32Hotkeys::remove(3);

    // Another program holding it.
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, kHeldEvent);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, kReleaseEvent);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --hold-f8";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION other{};
    if (!CHECK(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &other)))
        return;
    if (CHECK_EQUAL(WaitForSingleObject(held, 20000), DWORD(WAIT_OBJECT_0))) {
        error.clear();
        CHECK(!Win32Hotkeys::add(4, 0, VK_F8, &error));
        CHECK_EQUAL(error, std::string("another program has already registered this key"));
    }
    SetEvent(release);
    WaitForSingleObject(other.hProcess, 20000);
    for (HANDLE h : {other.hProcess, other.hThread, held, release}) CloseHandle(h);
    CHECK(Win32Hotkeys::add(5, 0, VK_F8, &error));  // and free once that program ends
    Win32Hotkeys::remove(5);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-f8") == 0) return holdF8();
    return runWineTests(argc, argv,
                        {{"delivered", delivered}, {"refusedWhenTaken", refusedWhenTaken}});
}
