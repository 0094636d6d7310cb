#pragma once

// Plain Win32 hotkey registration, free of Qt. Keys are registered without a
// window, so WM_HOTKEY arrives in the registering thread's message queue.
#include <windows.h>

#include <string>

class Win32Hotkeys {
public:
    // MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN; auto-repeat is always filtered.
    static bool add(int id, UINT modifiers, UINT virtualKey, std::string* error);
    static void remove(int id);
    // The hotkey id when msg is a hotkey press, else -1.
    static int idOf(const MSG& msg);
};
