#pragma once

#include <QPoint>
#include <QSize>
#include <QtGlobal>

// Absolute mouse coordinates address the screen as 0..65535 on each axis; the
// operations compute them as pixel * 65535 / size, truncated. Turning them back
// into pixels must give exactly the pixel that was converted.
class AbsoluteCoordinates {
public:
    static constexpr qint64 kRange = 65535;

    // pixel * 65535 / size, truncated toward zero; 0 when size is not positive.
    static qint32 fromPixel(int pixel, int size);
    // The pixel p with fromPixel(p, size) == absolute, clamped to 0..size-1.
    static int toPixel(qint32 absolute, int size);
    static QPoint toPoint(qint32 dx, qint32 dy, const QSize& screen);
};
