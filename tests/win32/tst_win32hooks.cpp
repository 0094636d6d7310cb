// The low-level hooks. Behind recording: keys with the text they typed in the layout of
// the moment, buttons and the wheel where the pointer was, nothing from the excluded
// window, and every event passed on to the program it was meant for. Behind point
// picking: left and right presses reported where the pointer is, other buttons ignored,
// and the hook removable from inside its own callback.
#include <mutex>

#include "platform/win32/Win32Input.h"
#include "platform/win32/Win32InputHooks.h"
#include "platform/win32/Win32MouseHook.h"
#include "win32/support/InputRecords.h"
#include "win32/support/TestWindow.h"
#include "win32/support/WineTest.h"

namespace {

// "+16" key 16 down, "-65" up, "+65\"a\"" with the text it typed; "b1@x,y" / "u1@x,y" button
// down and up; "w@x,y" the wheel.
std::mutex seenLock;
std::vector<std::string> seen;

void record(const Win32HookEvent& e) {
    std::string s;
    const std::string at = "@" + std::to_string(e.position.x) + "," + std::to_string(e.position.y);
    switch (e.kind) {
        case Win32HookEvent::KeyDown:
        case Win32HookEvent::KeyUp:
            s = (e.kind == Win32HookEvent::KeyDown ? "+" : "-") + std::to_string(e.virtualKey);
            if (e.textLength > 0) s += describe(std::wstring(e.text, size_t(e.textLength)));
            break;
        case Win32HookEvent::ButtonDown:
        case Win32HookEvent::ButtonUp:
            s = (e.kind == Win32HookEvent::ButtonDown ? "b" : "u") + std::to_string(e.button) + at;
            break;
        case Win32HookEvent::Wheel:
            s = "w" + at;
            break;
        case Win32HookEvent::Motion:
            return;
    }
    std::lock_guard<std::mutex> lock(seenLock);
    seen.push_back(s);
}

std::vector<std::string> takeSeen() {
    std::lock_guard<std::mutex> lock(seenLock);
    std::vector<std::string> out;
    out.swap(seen);
    return out;
}

void recordsKeysAndButtons() {
    TestWindow window;  // at (40, 40)
    if (!CHECK(window.focus())) return;
    CHECK(Win32InputHooks::start(record));
    CHECK(!Win32InputHooks::start(record));  // one recording at a time
    Win32Input::send({keyRecord(VK_SHIFT, false), keyRecord('A', false), keyRecord('A', true),
                      keyRecord(VK_SHIFT, true), keyRecord(VK_OEM_1, false),
                      keyRecord(VK_OEM_1, true), keyRecord(VK_RETURN, false),
                      keyRecord(VK_RETURN, true)});
    // The keys reach the window before a click elsewhere takes the focus from it.
    pumpUntil([&] { return window.text() == L"A;"; }, 3000);
    CHECK_EQUAL(window.text(), std::wstring(L"A;"));  // Return does nothing in one line
    Win32Input::send({moveRecord(1000, 500)});
    INPUT wheel = mouseRecord(MOUSEEVENTF_WHEEL);
    wheel.mi.mouseData = DWORD(WHEEL_DELTA);
    Win32Input::send({mouseRecord(MOUSEEVENTF_RIGHTDOWN), mouseRecord(MOUSEEVENTF_RIGHTUP), wheel});
    pumpFor(200);
    std::vector<std::string> got = takeSeen();
    CHECK_EQUAL(
        got, (std::vector<std::string>{"+16", "+65\"A\"", "-65", "-16", "+186\";\"", "-186", "+13",
                                       "-13", "b2@1000,500", "u2@1000,500", "w@1000,500"}));

    // Clicks on the excluded window are left out, and so are keys while it is in front.
    Win32InputHooks::setExcludedWindow(window.window());
    Win32Input::send({moveRecord(300, 120)});
    Win32Input::send({mouseRecord(MOUSEEVENTF_LEFTDOWN), mouseRecord(MOUSEEVENTF_LEFTUP)});
    pumpUntil([&] { return window.presses() > 0; }, 3000);
    CHECK(window.focus());
    Win32Input::send({keyRecord('B', false), keyRecord('B', true)});
    pumpFor(200);
    got = takeSeen();
    CHECK_EQUAL(got, std::vector<std::string>{});
    CHECK_EQUAL(window.presses(), 1);
    Win32InputHooks::setExcludedWindow(nullptr);
    Win32InputHooks::stop();
    CHECK(!Win32InputHooks::isRunning());
    Win32Input::send({keyRecord('C', false), keyRecord('C', true)});
    pumpFor(200);
    got = takeSeen();
    CHECK_EQUAL(got, std::vector<std::string>{});
}

struct Press {
    int button, x, y;
    bool operator==(const Press& o) const { return button == o.button && x == o.x && y == o.y; }
};
std::string describe(const Press& p) {
    return std::to_string(p.button) + "@(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
}
using ::describe;

void click(int x, int y, DWORD down, DWORD up) {
    Win32Input::send({moveRecord(x, y)});
    Win32Input::send({mouseRecord(down), mouseRecord(up)});
}

void reportsPresses() {
    TestWindow window;  // at (40, 40), so the clicks below land in its client area
    window.focus();
    std::vector<Press> presses;
    CHECK(Win32MouseHook::install([&](int button, int x, int y) {
        presses.push_back({button, x, y});
    }));
    CHECK(!Win32MouseHook::install([](int, int, int) {}));  // one hook at a time
    click(300, 120, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    click(500, 130, MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP);
    click(77, 125, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    Win32Input::send({moveRecord(600, 400)});
    pumpUntil([&] { return presses.size() >= 2 && window.presses() >= 2; }, 3000);
    pumpFor(100);
    CHECK_EQUAL(presses, (std::vector<Press>{{1, 300, 120}, {2, 77, 125}}));
    CHECK_EQUAL(window.presses(), 2);  // the presses went on to the window
    Win32MouseHook::remove();
    CHECK(!Win32MouseHook::isInstalled());
}

void removableFromCallback() {
    int calls = 0;
    CHECK(Win32MouseHook::install([&](int, int, int) {
        ++calls;
        Win32MouseHook::remove();
    }));
    click(200, 200, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    pumpUntil([&] { return calls > 0; }, 3000);
    click(210, 200, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    pumpFor(200);
    CHECK_EQUAL(calls, 1);
    CHECK(!Win32MouseHook::isInstalled());
    // And a new pick can install it again.
    CHECK(Win32MouseHook::install([&](int, int, int) { ++calls; }));
    click(220, 200, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    pumpUntil([&] { return calls > 1; }, 3000);
    CHECK_EQUAL(calls, 2);
    Win32MouseHook::remove();
}

}  // namespace

int main(int argc, char** argv) {
    return runWineTests(argc, argv,
                        {{"recordsKeysAndButtons", recordsKeysAndButtons},
                         {"reportsPresses", reportsPresses},
                         {"removableFromCallback", removableFromCallback}});
}
