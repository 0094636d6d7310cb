// Absolute mouse coordinates back to pixels: every pixel the move operation
// converts must come back as itself, on any screen size, also through Windows'
// mapping of SendInput coordinates, (a * size) >> 16.
#include <QtTest>

#include "model/InputHelpers.h"
#include "platform/AbsoluteCoordinates.h"

class TestAbsoluteCoordinates : public QObject {
    Q_OBJECT

private slots:
    void inverseIsExact() {
        // Every size up to 8192, then every 101st, then the last hundred.
        for (int size = 1; size <= 65535; size += size < 8192 || size >= 65535 - 100 ? 1 : 101) {
            const auto onWindows = [size](int pixel) {
                return int((qint64(AbsoluteCoordinates::toWindows(pixel, size)) * size) >> 16);
            };
            for (int pixel = 0; pixel < size; ++pixel) {
                const QPoint p(pixel, size - 1 - pixel);
                qint32 dx = 0, dy = 0;
                const bool converted = toAbsolute(p, QSize(size, size), &dx, &dy);
                const QPoint back(AbsoluteCoordinates::toPixel(dx, size),
                                  AbsoluteCoordinates::toPixel(dy, size));
                const QPoint windows(onWindows(back.x()), onWindows(back.y()));
                if (!converted || back != p || windows != p)
                    QFAIL(qPrintable(QString::asprintf(
                        "size %d: (%d,%d) -> (%d,%d), Windows (%d,%d)", size, p.x(), p.y(),
                        back.x(), back.y(), windows.x(), windows.y())));
            }
        }
    }

    // Past the edges, between two pixels, and without a screen.
    void clamped() {
        QCOMPARE(AbsoluteCoordinates::toPixel(-1000, 1920), 0);
        QCOMPARE(AbsoluteCoordinates::toPixel(65535, 1920), 1919);
        QCOMPARE(AbsoluteCoordinates::toPixel(1, 1920), 1);
        QCOMPARE(AbsoluteCoordinates::toPixel(5000, 0), 0);
        QCOMPARE(AbsoluteCoordinates::toPixel(65535, 1), 0);
    }
};

QTEST_GUILESS_MAIN(TestAbsoluteCoordinates)
#include "tst_absolutecoordinates.moc"
