#pragma once

// Plain Win32 input calls, free of Qt so they can be built and checked alone.
#include <windows.h>

#include <vector>

class Win32Input {
public:
    // Injects the records in order with SendInput; true when all were taken. Absolute
    // moves come in the flow's scale (pixel * 65535 / screen size) and land on that pixel.
    static bool send(const std::vector<INPUT>& records);
    // Width and height of the primary screen in pixels (SM_CXSCREEN, SM_CYSCREEN).
    static int screenWidth();
    static int screenHeight();
};
