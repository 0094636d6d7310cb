// Absolute mouse coordinates back to pixels: every pixel the move operation
// converts must come back as itself, on any screen size, also through Windows'
// mapping of SendInput coordinates, (a * size) >> 16.
#include <QtTest>

#include "model/InputHelpers.h"
#include "platform/AbsoluteCoordinates.h"

class TestAbsoluteCoordinates : public QObject {
    Q_OBJECT

private slots:
    void inverseIsExact_data() {
        QTest::addColumn<int>("firstSize");
        QTest::addColumn<int>("lastSize");
        QTest::addColumn<int>("step");
        QTest::newRow("every size up to 8192") << 1 << 8192 << 1;
        QTest::newRow("every 101st size up to 65535") << 8193 << 65535 << 101;
        QTest::newRow("the largest sizes") << 65500 << 65535 << 1;
    }
    void inverseIsExact() {
        QFETCH(int, firstSize);
        QFETCH(int, lastSize);
        QFETCH(int, step);
        for (int size = firstSize; size <= lastSize; size += step) {
            const QSize screen(size, size);
            for (int pixel = 0; pixel < size; ++pixel) {
                const QPoint p(pixel, size - 1 - pixel);
                qint32 dx = 0, dy = 0;
                const bool converted = toAbsolute(p, screen, &dx, &dy);
                const QPoint back(AbsoluteCoordinates::toPixel(dx, size),
                                  AbsoluteCoordinates::toPixel(dy, size));
                const auto onWindows = [size](int pixel) {
                    return int((qint64(AbsoluteCoordinates::toWindows(pixel, size)) * size) >> 16);
                };
                const QPoint windows(onWindows(back.x()), onWindows(back.y()));
                if (!converted || back != p || windows != p)
                    QFAIL(qPrintable(QString::asprintf(
                        "size %d: (%d,%d) -> (%d,%d), Windows (%d,%d)", size, p.x(), p.y(),
                        back.x(), back.y(), windows.x(), windows.y())));
            }
        }
    }

    void clamped_data() {
        QTest::addColumn<qint32>("absolute");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("pixel");
        QTest::newRow("left of the screen") << -1000 << 1920 << 0;
        QTest::newRow("full range") << 65535 << 1920 << 1919;
        QTest::newRow("between two pixels rounds up") << 1 << 1920 << 1;
        QTest::newRow("no screen") << 5000 << 0 << 0;
        QTest::newRow("one-pixel screen") << 65535 << 1 << 0;
    }
    void clamped() {
        QFETCH(qint32, absolute);
        QFETCH(int, size);
        QFETCH(int, pixel);
        QCOMPARE(AbsoluteCoordinates::toPixel(absolute, size), pixel);
    }
};

QTEST_GUILESS_MAIN(TestAbsoluteCoordinates)
#include "tst_absolutecoordinates.moc"
