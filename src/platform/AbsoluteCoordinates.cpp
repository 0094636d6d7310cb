#include "platform/AbsoluteCoordinates.h"

#include <algorithm>

int AbsoluteCoordinates::toPixel(std::int32_t absolute, int size) {
    if (size <= 0 || absolute <= 0) return 0;
    // Pixel p converts to floor(p * 65535 / size). That value is d exactly when
    // d * size / 65535 <= p < (d + 1) * size / 65535, an interval shorter than one
    // pixel while size <= 65535, so its one integer is the rounded-up lower bound.
    const std::int64_t pixel = (std::int64_t(absolute) * size + kRange - 1) / kRange;
    return int(std::min<std::int64_t>(pixel, size - 1));
}

std::int32_t AbsoluteCoordinates::toWindows(int pixel, int size) {
    if (size <= 0 || pixel <= 0) return 0;
    // The smallest a with a * size >= pixel * 65536; a * size stays below
    // (pixel + 1) * 65536 because size <= 65536.
    return std::int32_t((std::int64_t(pixel) * 65536 + size - 1) / size);
}
