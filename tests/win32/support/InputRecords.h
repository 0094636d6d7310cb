#pragma once

// INPUT records as the flow's operations make them: keys by virtual key, characters
// by UTF-16 code unit, absolute moves in the flow's scale (pixel * 65535 / size).
#include <windows.h>

inline INPUT keyRecord(WORD virtualKey, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki = {virtualKey, 0, DWORD(up ? KEYEVENTF_KEYUP : 0), 0, 0};
    return in;
}

inline INPUT characterRecord(wchar_t codeUnit, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki = {0, WORD(codeUnit), DWORD(KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0)), 0, 0};
    return in;
}

inline INPUT mouseRecord(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi = {x, y, 0, flags, 0, 0};
    return in;
}

inline INPUT moveRecord(int x, int y) {
    return mouseRecord(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
                       int(x * 65535LL / GetSystemMetrics(SM_CXSCREEN)),
                       int(y * 65535LL / GetSystemMetrics(SM_CYSCREEN)));
}
