#include "platform/win32/Win32Hotkeys.h"

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

bool Win32Hotkeys::add(int id, UINT modifiers, UINT virtualKey, std::string* error) {
    if (RegisterHotKey(nullptr, id, modifiers | MOD_NOREPEAT, virtualKey)) return true;
    if (error) {
        const DWORD code = GetLastError();
        *error = code == ERROR_HOTKEY_ALREADY_REGISTERED
                     ? "another program has already registered this key"
                     : "RegisterHotKey failed with error " + std::to_string(code);
    }
    return false;
}

std::vector<int> Win32Hotkeys::addOtherCombinations(int firstId, UINT modifiers, UINT virtualKey) {
    static const UINT kModifiers[] = {MOD_SHIFT, MOD_CONTROL, MOD_ALT, MOD_WIN};
    std::vector<int> ids;
    for (int bits = 0; bits < kCombinations; ++bits) {
        UINT combination = 0;
        for (int i = 0; i < 4; ++i)
            if (bits & (1 << i)) combination |= kModifiers[i];
        if (combination == modifiers) continue;
        const int id = firstId + bits;
        if (RegisterHotKey(nullptr, id, combination | MOD_NOREPEAT, virtualKey)) ids.push_back(id);
    }
    return ids;
}

void Win32Hotkeys::remove(int id) {
    UnregisterHotKey(nullptr, id);
}

int Win32Hotkeys::idOf(const MSG& msg) {
    return msg.message == WM_HOTKEY && msg.hwnd == nullptr ? int(msg.wParam) : -1;
}
