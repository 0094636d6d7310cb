// The Win32 services under Wine: SendInput typing and moving onto exact pixels, hotkeys,
// the low-level hooks behind recording and point picking, keep-awake and the timer period.
#include <process.h>

#include <mutex>
#include <utility>

#include "platform/win32/Win32Hotkeys.h"
#include "platform/win32/Win32Input.h"
#include "platform/win32/Win32InputHooks.h"
#include "platform/win32/Win32MouseHook.h"
#include "platform/win32/Win32Power.h"
#include "win32/support/TestWindow.h"
#include "win32/support/WineTest.h"

namespace {

// INPUT records as the flow's operations make them: keys by virtual key, characters by
// UTF-16 code unit, absolute moves in the flow's scale (pixel * 65535 / size).
INPUT keyRecord(WORD virtualKey, bool up, wchar_t codeUnit = 0) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    const DWORD flags = (codeUnit ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
    in.ki = {virtualKey, WORD(codeUnit), flags, 0, 0};
    return in;
}

INPUT mouseRecord(DWORD flags, int x = 0, int y = 0, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi = {x, y, data, flags, 0, 0};
    return in;
}

INPUT moveRecord(int x, int y) {
    return mouseRecord(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                       int(x * 65535LL / GetSystemMetrics(SM_CXSCREEN)),
                       int(y * 65535LL / GetSystemMetrics(SM_CYSCREEN)));
}

std::string at(int x, int y) {
    return "@" + std::to_string(x) + "," + std::to_string(y);
}

using Batches = std::vector<std::vector<INPUT>>;

// One batch per key step: a virtual key pressed (+), released (-) or tapped (0).
Batches keys(std::initializer_list<std::pair<char, WORD>> steps) {
    Batches out;
    for (const auto& [action, virtualKey] : steps) {
        out.emplace_back();
        if (action != '-') out.back().push_back(keyRecord(virtualKey, false));
        if (action != '+') out.back().push_back(keyRecord(virtualKey, true));
    }
    return out;
}

// One batch per UTF-16 code unit, as the text operation sends.
Batches characters(const std::wstring& text) {
    Batches out;
    for (wchar_t unit : text) out.push_back({keyRecord(0, false, unit), keyRecord(0, true, unit)});
    return out;
}

void send(const Batches& batches) {
    for (const std::vector<INPUT>& batch : batches) CHECK(Win32Input::send(batch));
}

void click(int x, int y, DWORD down, DWORD up) {
    Win32Input::send({moveRecord(x, y)});
    Win32Input::send({mouseRecord(down), mouseRecord(up)});
}

void typing() {
    std::wstring others = L"自动化输入测试，你好世界。\U0001F600";  // and printable ASCII
    for (wchar_t c = 0x20; c < 0x7f; ++c) others += c;
    const std::pair<Batches, std::wstring> rows[] = {
        // Shift held across two keys; letters, digits, Backspace and Space; characters.
        {keys({{'+', VK_SHIFT}, {0, 'A'}, {0, '1'}, {'-', VK_SHIFT}, {0, 'B'}}), L"A!b"},
        {keys({{0, 'F'}, {0, '7'}, {0, 'Y'}, {0, VK_BACK}, {0, VK_SPACE}, {0, 'Z'}}), L"f7 z"},
        {characters(others), others},
    };
    TestWindow window;
    for (const auto& [batches, typed] : rows) {
        SetWindowTextW(window.edit(), L"");
        if (!CHECK(window.focus())) return;
        send(batches);
        pumpUntil([&] { return window.text() == typed; }, 3000);
        CHECK_EQUAL(window.text(), typed);
    }
}

// Every column along one row and every row along one column of the primary screen.
void absoluteMoves() {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    std::printf("  screen %dx%d\n", w, h);
    std::vector<std::string> missed;
    auto moveAndCheck = [&](int x, int y) {
        Win32Input::send({moveRecord(x, y)});
        POINT p{};
        GetCursorPos(&p);
        if (p.x != x || p.y != y) missed.push_back(at(x, y) + " landed" + at(p.x, p.y));
    };
    for (int x = 0; x < w; ++x) moveAndCheck(x, (x * 7) % h);
    for (int y = 0; y < h; ++y) moveAndCheck((y * 13) % w, y);
    if (!CHECK_EQUAL(missed.size(), size_t(0))) std::printf("    first %s\n", missed[0].c_str());
}

// The ids of the hotkeys that arrive within the time.
std::vector<int> hotkeysAfter(WORD virtualKey, WORD modifier = 0) {
    send(modifier ? keys({{'+', modifier}, {0, virtualKey}, {'-', modifier}})
                  : keys({{0, virtualKey}}));
    std::vector<int> ids;
    pumpFor(300, [&](const MSG& msg) {
        if (Win32Hotkeys::idOf(msg) >= 0) ids.push_back(Win32Hotkeys::idOf(msg));
    });
    return ids;
}

// Delivered to this thread's queue for the key and modifiers registered; refused when
// taken, with a reason that says by which program.
void hotkeysDelivered() {
    std::string error;
    if (!CHECK(Win32Hotkeys::add(1, 0, VK_F8, &error))) std::printf("    %s\n", error.c_str());
    CHECK(Win32Hotkeys::add(2, MOD_CONTROL, VK_F8, &error));
    CHECK(!Win32Hotkeys::add(3, 0, VK_F8, &error));
    CHECK_EQUAL(error, std::string("this program has already registered this key"));
    CHECK_EQUAL(hotkeysAfter(VK_F8), std::vector<int>{1});
    CHECK_EQUAL(hotkeysAfter(VK_F8, VK_CONTROL), std::vector<int>{2});
    CHECK_EQUAL(hotkeysAfter(VK_F8, VK_SHIFT), std::vector<int>{});
    CHECK_EQUAL(hotkeysAfter(VK_F7), std::vector<int>{});
    // During a run the stop key answers under every other combination too, except
    // those already held (Ctrl+F8 here).
    const std::vector<int> others = Win32Hotkeys::addOtherCombinations(10, 0, VK_F8);
    CHECK_EQUAL(int(others.size()), 14);
    // The id tells the combination's bits: Shift.
    CHECK_EQUAL(hotkeysAfter(VK_F8, VK_SHIFT), std::vector<int>{10 + 1});
    for (int id : others) Win32Hotkeys::remove(id);
    for (int id : {1, 2}) Win32Hotkeys::remove(id);
    CHECK_EQUAL(hotkeysAfter(VK_F8), std::vector<int>{});
}

const wchar_t kHeldEvent[] = L"FlowsmithWineTestF8Held";

// The second program of hotkeysTakenByAnotherProgram: holds F8 until it is ended.
int holdF8() {
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, kHeldEvent);
    if (!held || !RegisterHotKey(nullptr, 7, 0, VK_F8)) return 2;
    SetEvent(held);
    Sleep(20000);
    return 0;
}

void hotkeysTakenByAnotherProgram() {
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, kHeldEvent);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const auto other = HANDLE(_wspawnl(_P_NOWAIT, self, L"holder", L"--hold-f8", nullptr));
    if (!CHECK(other != INVALID_HANDLE_VALUE)) return;
    std::string error;
    if (CHECK_EQUAL(WaitForSingleObject(held, 20000), DWORD(WAIT_OBJECT_0))) {
        CHECK(!Win32Hotkeys::add(4, 0, VK_F8, &error));
        CHECK_EQUAL(error, std::string("another program has already registered this key"));
    }
    TerminateProcess(other, 0);
    WaitForSingleObject(other, 20000);
    for (HANDLE h : {other, held}) CloseHandle(h);
    CHECK(Win32Hotkeys::add(5, 0, VK_F8, &error));  // free once that program ends
    Win32Hotkeys::remove(5);
}

// What the hooks and the press handlers saw: "+16" key 16 down, "-65" up, "+65\"a\"" with
// the text it typed; "b1@x,y" / "u1@x,y" button down and up; "w@x,y" the wheel.
std::mutex seenLock;
std::vector<std::string> seen;

void see(const std::string& event) {
    std::lock_guard<std::mutex> lock(seenLock);
    seen.push_back(event);
}

std::vector<std::string> takeSeen() {
    std::lock_guard<std::mutex> lock(seenLock);
    return std::exchange(seen, {});
}

void record(const Win32HookEvent& e) {
    const bool key = e.kind == Win32HookEvent::KeyDown || e.kind == Win32HookEvent::KeyUp;
    const bool down = e.kind == Win32HookEvent::KeyDown || e.kind == Win32HookEvent::ButtonDown;
    if (key)
        see((down ? "+" : "-") + std::to_string(e.virtualKey) +
            (e.textLength > 0 ? describe(std::wstring(e.text, size_t(e.textLength))) : ""));
    else if (e.kind == Win32HookEvent::Wheel)
        see("w" + at(e.position.x, e.position.y));
    else if (e.kind != Win32HookEvent::Motion)
        see((down ? "b" : "u") + std::to_string(e.button) + at(e.position.x, e.position.y));
}

// Keys with the text they typed in the layout of the moment, buttons and the wheel where
// the pointer was, nothing from the excluded window, every event passed on.
void hooksRecord() {
    TestWindow window;  // at (40, 40)
    if (!CHECK(window.focus())) return;
    CHECK(Win32InputHooks::start(record));
    CHECK(!Win32InputHooks::start(record));  // one recording at a time
    send(keys({{'+', VK_SHIFT}, {0, 'A'}, {'-', VK_SHIFT}, {0, VK_OEM_1}, {0, VK_RETURN}}));
    // The keys reach the window before a click elsewhere takes the focus from it.
    pumpUntil([&] { return window.text() == L"A;"; }, 3000);
    CHECK_EQUAL(window.text(), std::wstring(L"A;"));  // Return does nothing in one line
    Win32Input::send({moveRecord(1000, 500)});
    Win32Input::send({mouseRecord(MOUSEEVENTF_RIGHTDOWN), mouseRecord(MOUSEEVENTF_RIGHTUP),
                      mouseRecord(MOUSEEVENTF_WHEEL, 0, 0, WHEEL_DELTA)});
    pumpFor(200);
    CHECK_EQUAL(takeSeen(), (std::vector<std::string>{"+16", "+65\"A\"", "-65", "-16", "+186\";\"",
                                                      "-186", "+13", "-13", "b2@1000,500",
                                                      "u2@1000,500", "w@1000,500"}));

    // Clicks on the excluded window are left out, and so are keys while it is in front.
    Win32InputHooks::setExcludedWindow(window.window());
    click(300, 120, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    pumpUntil([&] { return window.presses() > 0; }, 3000);
    CHECK(window.focus());
    send(keys({{0, 'B'}}));
    pumpFor(200);
    CHECK_EQUAL(takeSeen(), std::vector<std::string>{});
    CHECK_EQUAL(window.presses(), 1);
    Win32InputHooks::setExcludedWindow(nullptr);
    Win32InputHooks::stop();
    CHECK(!Win32InputHooks::isRunning());
    send(keys({{0, 'C'}}));
    pumpFor(200);
    CHECK_EQUAL(takeSeen(), std::vector<std::string>{});
}

// Point picking: left and right presses reported where the pointer is, other buttons
// ignored, every press passed on to the window; a pick removes the hook from inside its
// own callback, and the next pick installs it again.
void mouseHook() {
    TestWindow window;  // at (40, 40): the presses below land in its client area
    window.focus();
    const auto report = [](int button, int x, int y) { see(std::to_string(button) + at(x, y)); };
    const auto seenOnceWindowHas = [&](int presses) {
        CHECK(pumpUntil([&] { return window.presses() == presses; }, 3000));
        return takeSeen();
    };
    CHECK(Win32MouseHook::install(report));
    CHECK(!Win32MouseHook::install(report));  // one hook at a time
    click(300, 120, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    click(500, 130, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
    click(77, 125, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    CHECK_EQUAL(seenOnceWindowHas(2), (std::vector<std::string>{"1@300,120", "2@77,125"}));
    Win32MouseHook::remove();
    CHECK(Win32MouseHook::install([&](int button, int x, int y) {
        report(button, x, y);
        Win32MouseHook::remove();
    }));
    click(200, 125, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    click(210, 125, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    CHECK_EQUAL(seenOnceWindowHas(4), std::vector<std::string>{"1@200,125"});
    CHECK(!Win32MouseHook::isInstalled());
    CHECK(Win32MouseHook::install(report));
    click(220, 125, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    CHECK_EQUAL(seenOnceWindowHas(5), std::vector<std::string>{"1@220,125"});
    Win32MouseHook::remove();
    CHECK(!Win32MouseHook::isInstalled());
}

// Keep-awake, and the timer period around a run.
void power() {
    // Setting the thread's execution state to the one it has changes nothing and returns it.
    const EXECUTION_STATE awake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
    Win32Power::keepAwake(true);
    CHECK_EQUAL(SetThreadExecutionState(awake), awake);
    Win32Power::keepAwake(false);
    CHECK_EQUAL(SetThreadExecutionState(ES_CONTINUOUS), EXECUTION_STATE(ES_CONTINUOUS));

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    CHECK(Win32Power::beginTimerPeriod());
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 50; ++i) Sleep(1);
    QueryPerformanceCounter(&end);
    Win32Power::endTimerPeriod();
    const double perSleepMs =
        double(end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart / 50;
    std::printf("  Sleep(1) took %.2f ms on average\n", perSleepMs);
    CHECK(perSleepMs < 5);  // generous: a coarse 15.6 ms tick would be three times that
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--hold-f8") == 0) return holdF8();
    return runWineTests(argc, argv,
                        {WINE_CASE(typing), WINE_CASE(absoluteMoves), WINE_CASE(hotkeysDelivered),
                         WINE_CASE(hotkeysTakenByAnotherProgram), WINE_CASE(hooksRecord),
                         WINE_CASE(mouseHook), WINE_CASE(power)});
}
