#pragma once

#include <cstdint>

// Absolute mouse coordinates address the primary screen as 0..65535 on each axis; the
// move operation computes them as pixel * 65535 / size, truncated. The backends turn
// them back into exactly the pixel that was converted. Free of Qt, so that the Win32
// services that use it build alone.
class AbsoluteCoordinates {
public:
    static constexpr std::int64_t kRange = 65535;

    // The pixel p that converts to absolute, clamped to 0..size-1; 0 when size is not
    // positive.
    static int toPixel(std::int32_t absolute, int size);
    // The coordinate that Windows maps to pixel: SendInput takes an absolute a to the
    // pixel (a * size) >> 16, which is not the inverse of the flow's conversion.
    static std::int32_t toWindows(int pixel, int size);
};
