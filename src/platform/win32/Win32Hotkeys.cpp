#include "platform/win32/Win32Hotkeys.h"

#include <map>
#include <mutex>
#include <utility>

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace {
// This process's registrations by id, so that a refusal can tell whether the key is
// held by this program or by another one.
std::mutex registeredLock;
std::map<int, std::pair<UINT, UINT>> registered;  // id -> (modifiers, virtual key)

bool registeredHere(UINT modifiers, UINT virtualKey) {
    std::lock_guard<std::mutex> guard(registeredLock);
    for (const auto& r : registered)
        if (r.second == std::make_pair(modifiers, virtualKey)) return true;
    return false;
}
}  // namespace

bool Win32Hotkeys::add(int id, UINT modifiers, UINT virtualKey, std::string* error) {
    modifiers &= ~UINT(MOD_NOREPEAT);
    if (RegisterHotKey(nullptr, id, modifiers | MOD_NOREPEAT, virtualKey)) {
        std::lock_guard<std::mutex> guard(registeredLock);
        registered[id] = {modifiers, virtualKey};
        return true;
    }
    const DWORD code = GetLastError();
    if (error) {
        if (code != ERROR_HOTKEY_ALREADY_REGISTERED)
            *error = "RegisterHotKey failed with error " + std::to_string(code);
        else if (registeredHere(modifiers, virtualKey))
            *error = "this program has already registered this key";
        else
            *error = "another program has already registered this key";
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
        if (add(id, combination, virtualKey, nullptr)) ids.push_back(id);
    }
    return ids;
}

void Win32Hotkeys::remove(int id) {
    UnregisterHotKey(nullptr, id);
    std::lock_guard<std::mutex> guard(registeredLock);
    registered.erase(id);
}

int Win32Hotkeys::idOf(const MSG& msg) {
    return msg.message == WM_HOTKEY && msg.hwnd == nullptr ? int(msg.wParam) : -1;
}
