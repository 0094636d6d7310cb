#include "platform/AbsoluteCoordinates.h"

#include <algorithm>

qint32 AbsoluteCoordinates::fromPixel(int pixel, int size) {
    if (size <= 0) return 0;
    return qint32(qint64(pixel) * kRange / size);
}

int AbsoluteCoordinates::toPixel(qint32 absolute, int size) {
    if (size <= 0 || absolute <= 0) return 0;
    // Pixel p converts to floor(p * 65535 / size). That value is d exactly when
    // d * size / 65535 <= p < (d + 1) * size / 65535, an interval shorter than one
    // pixel while size <= 65535, so its one integer is the rounded-up lower bound.
    const qint64 pixel = (qint64(absolute) * size + kRange - 1) / kRange;
    return int(std::min<qint64>(pixel, size - 1));
}

QPoint AbsoluteCoordinates::toPoint(qint32 dx, qint32 dy, const QSize& screen) {
    return QPoint(toPixel(dx, screen.width()), toPixel(dy, screen.height()));
}
