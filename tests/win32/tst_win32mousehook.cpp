// The low-level mouse hook behind point picking: left and right presses reported
// where the pointer is, other buttons ignored, every event passed on to the window
// under the pointer, and the hook removable from inside its own callback.
#include <cstdio>

#include "platform/win32/Win32Input.h"
#include "platform/win32/Win32MouseHook.h"
#include "win32/support/InputRecords.h"
#include "win32/support/TestWindow.h"
#include "win32/support/WineTest.h"

namespace {

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
    return runWineTests(
        argc, argv,
        {{"reportsPresses", reportsPresses}, {"removableFromCallback", removableFromCallback}});
}
