#pragma once

// Plain Win32 hotkey registration, free of Qt. Keys are registered without a
// window, so WM_HOTKEY arrives in the registering thread's message queue.
#include <windows.h>

#include <string>
#include <vector>

class Win32Hotkeys {
public:
    // MOD_ALT, MOD_CONTROL, MOD_SHIFT, MOD_WIN; auto-repeat is always filtered.
    static bool add(int id, UINT modifiers, UINT virtualKey, std::string* error);
    static void remove(int id);
    // Registers virtualKey under every other combination of the four modifiers, with
    // ids from firstId on (at most kCombinations of them); a combination another
    // program holds is skipped. Returns the ids registered.
    static constexpr int kCombinations = 16;
    static std::vector<int> addOtherCombinations(int firstId, UINT modifiers, UINT virtualKey);
    // The hotkey id when msg is a hotkey press, else -1.
    static int idOf(const MSG& msg);
};
