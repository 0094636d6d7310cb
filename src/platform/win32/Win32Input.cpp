#include "platform/win32/Win32Input.h"

#include "platform/AbsoluteCoordinates.h"

bool Win32Input::send(const std::vector<INPUT>& records) {
    if (records.empty()) return true;
    std::vector<INPUT> copy = records;  // SendInput takes a non-const array
    for (INPUT& in : copy) {
        if (in.type != INPUT_MOUSE || !(in.mi.dwFlags & MOUSEEVENTF_ABSOLUTE) ||
            (in.mi.dwFlags & MOUSEEVENTF_VIRTUALDESK))
            continue;
        const int w = screenWidth(), h = screenHeight();
        in.mi.dx = AbsoluteCoordinates::toWindows(AbsoluteCoordinates::toPixel(in.mi.dx, w), w);
        in.mi.dy = AbsoluteCoordinates::toWindows(AbsoluteCoordinates::toPixel(in.mi.dy, h), h);
    }
    const UINT sent = SendInput(UINT(copy.size()), copy.data(), int(sizeof(INPUT)));
    return sent == copy.size();
}

int Win32Input::screenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int Win32Input::screenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}
