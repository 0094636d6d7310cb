#pragma once

// The system-wide low-level mouse hook, free of Qt. One hook per process; its
// procedure runs on the installing thread (inside its message loop) and passes
// every event on, so presses still reach the window under the pointer.
#include <windows.h>

#include <functional>

class Win32MouseHook {
public:
    // Called for a left (button 1) or right (button 2) press with the pointer's
    // position (GetCursorPos) at that time.
    using PressHandler = std::function<void(int button, int x, int y)>;

    // False when a hook is already installed or Windows refuses one.
    static bool install(PressHandler handler);
    static void remove();
    static bool isInstalled();

private:
    static LRESULT CALLBACK procedure(int code, WPARAM message, LPARAM data);
};
