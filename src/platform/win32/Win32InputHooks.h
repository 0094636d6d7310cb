#pragma once

// The low-level keyboard and mouse hooks, free of Qt, on a thread of their own whose
// message loop runs them. They pass every event on, so the input still reaches the
// program it is meant for. One pair of hooks per process.
#include <windows.h>

#include <functional>

struct Win32HookEvent {
    enum Kind { KeyDown, KeyUp, ButtonDown, ButtonUp, Motion, Wheel };
    enum Button { NoButton, Left, Right, Middle, Side };

    Kind kind = Motion;
    DWORD time = 0;  // the event's time stamp, GetTickCount milliseconds
    // Keys: the virtual key (left Shift, Ctrl and Alt as the plain ones) and the UTF-16
    // text it typed in the foreground window's keyboard layout (presses only; none for
    // control characters).
    unsigned short virtualKey = 0;
    unsigned keyCode = 0;  // the virtual key as the hook saw it (left and right apart)
    wchar_t text[4] = {};
    int textLength = 0;
    // Mouse: the button and the pointer's position.
    Button button = NoButton;
    POINT position{};
};

class Win32InputHooks {
public:
    // Called on the hooks' thread, inside the hook: must return quickly.
    using Handler = std::function<void(const Win32HookEvent&)>;

    // Starts the thread and installs both hooks; false when Windows refuses either.
    static bool start(Handler handler);
    // Removes the hooks and ends the thread; no handler call follows.
    static void stop();
    static bool isRunning();
    // Clicks on this top-level window and keys while it is in the foreground are not
    // passed to the handler (nor their releases). nullptr for none.
    static void setExcludedWindow(HWND window);
    // The virtual keys held down now, for the state at the start of a recording.
    static void heldKeys(unsigned short* keys, int* count, int capacity);
};
