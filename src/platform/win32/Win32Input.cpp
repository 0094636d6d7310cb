#include "platform/win32/Win32Input.h"

bool Win32Input::send(const std::vector<INPUT>& records) {
    if (records.empty()) return true;
    std::vector<INPUT> copy = records;  // SendInput takes a non-const array
    const UINT sent = SendInput(UINT(copy.size()), copy.data(), int(sizeof(INPUT)));
    return sent == copy.size();
}

int Win32Input::screenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}

int Win32Input::screenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}
