// Absolute mouse coordinates back to pixels: every pixel the operations convert
// must come back as itself, on any screen size.
#include <QtTest>

#include "AbsoluteCoordinates.h"
#include "InputHelpers.h"

class TestAbsoluteCoordinates : public QObject {
    Q_OBJECT

private slots:
    void inverseIsExact_data();
    void inverseIsExact();
    void forwardIsTheOperationsConversion();
    void clamped_data();
    void clamped();
};

void TestAbsoluteCoordinates::inverseIsExact_data() {
    QTest::addColumn<int>("firstSize");
    QTest::addColumn<int>("lastSize");
    QTest::addColumn<int>("step");
    QTest::newRow("every size from 1 to 4096") << 1 << 4096 << 1;
    QTest::newRow("every size from 4097 to 8192") << 4097 << 8192 << 1;
    QTest::newRow("every 7th size up to 65535") << 8193 << 65535 << 7;
    QTest::newRow("the largest sizes") << 65500 << 65535 << 1;
}

void TestAbsoluteCoordinates::inverseIsExact() {
    QFETCH(int, firstSize);
    QFETCH(int, lastSize);
    QFETCH(int, step);
    qint64 checked = 0;
    for (int size = firstSize; size <= lastSize; size += step) {
        for (int pixel = 0; pixel < size; ++pixel) {
            const qint32 absolute = AbsoluteCoordinates::fromPixel(pixel, size);
            const int back = AbsoluteCoordinates::toPixel(absolute, size);
            if (back != pixel)
                QFAIL(qPrintable(QStringLiteral("size %1: pixel %2 -> %3 -> %4")
                                     .arg(size)
                                     .arg(pixel)
                                     .arg(absolute)
                                     .arg(back)));
            ++checked;
        }
    }
    QVERIFY(checked > 0);
}

void TestAbsoluteCoordinates::forwardIsTheOperationsConversion() {
    // The inverse is only right if it inverts what the move operation computes.
    const QSize screens[] = {{1920, 1080}, {1366, 768}, {3840, 2160}, {1, 1}, {7, 3}};
    for (const QSize& s : screens) {
        for (int x = -3; x < s.width() + 3; x += qMax(1, s.width() / 97)) {
            const int y = qBound(0, x, s.height() - 1);
            qint32 dx = 0, dy = 0;
            QVERIFY(toAbsolute(QPoint(x, y), s, &dx, &dy));
            QCOMPARE(dx, AbsoluteCoordinates::fromPixel(x, s.width()));
            QCOMPARE(dy, AbsoluteCoordinates::fromPixel(y, s.height()));
            if (x >= 0 && x < s.width())
                QCOMPARE(AbsoluteCoordinates::toPoint(dx, dy, s), QPoint(x, y));
        }
    }
}

void TestAbsoluteCoordinates::clamped_data() {
    QTest::addColumn<qint32>("absolute");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("pixel");
    QTest::newRow("zero") << 0 << 1920 << 0;
    QTest::newRow("negative (left of the screen)") << -1000 << 1920 << 0;
    QTest::newRow("full range") << 65535 << 1920 << 1919;
    QTest::newRow("beyond the range") << 200000 << 1920 << 1919;
    QTest::newRow("between two pixels rounds up") << 1 << 1920 << 1;
    QTest::newRow("1920 x 1080 example, x") << 65500 << 1920 << 1919;
    QTest::newRow("1920 x 1080 example, y") << 65474 << 1080 << 1079;
    QTest::newRow("centre") << 32767 << 1920 << 960;
    QTest::newRow("no screen") << 5000 << 0 << 0;
    QTest::newRow("negative size") << 5000 << -5 << 0;
    QTest::newRow("one-pixel screen") << 65535 << 1 << 0;
}

void TestAbsoluteCoordinates::clamped() {
    QFETCH(qint32, absolute);
    QFETCH(int, size);
    QFETCH(int, pixel);
    QCOMPARE(AbsoluteCoordinates::toPixel(absolute, size), pixel);
}

QTEST_GUILESS_MAIN(TestAbsoluteCoordinates)
#include "tst_absolutecoordinates.moc"
