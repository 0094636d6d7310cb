#pragma once

// INPUT records as the flow's operations make them: keys by virtual key, characters
// by UTF-16 code unit, absolute moves in the flow's scale (pixel * 65535 / size).
#include <windows.h>

#include <vector>

inline INPUT keyRecord(WORD virtualKey, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = virtualKey;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return in;
}

inline INPUT characterRecord(wchar_t codeUnit, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wScan = WORD(codeUnit);
    in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
    return in;
}

inline INPUT mouseRecord(DWORD flags) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    return in;
}

inline INPUT moveRecord(int x, int y) {
    INPUT in = mouseRecord(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
    in.mi.dx = LONG(x * 65535LL / GetSystemMetrics(SM_CXSCREEN));
    in.mi.dy = LONG(y * 65535LL / GetSystemMetrics(SM_CYSCREEN));
    return in;
}

inline POINT cursor() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}
