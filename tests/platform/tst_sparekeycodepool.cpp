// Which spare keycode a character the keymap lacks is typed with, and when.
#include <QtTest>

#include "SpareKeycodePool.h"

using namespace std::chrono;
using Clock = SpareKeycodePool::Clock;

class TestSpareKeycodePool : public QObject {
    Q_OBJECT

private slots:
    void assign_data() {
        // Steps at the current time in ms ("@5" moves it): "b200=1" binds keycode 200 to
        // keysym 1, "p200" presses it, "r200" releases it. The answer is the keycode
        // ("map" when it must be bound first), "wait T" or "never".
        QTest::addColumn<QString>("pool");
        QTest::addColumn<int>("guardMs");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<int>("atMs");
        QTest::addColumn<QString>("answer");
        QTest::newRow("a keycode never used before a just-used one")
            << "200 201 202" << 50 << "b200=1 p200 r200" << 2u << 1 << "201 map";
        QTest::newRow("the keycode bound to the keysym, without a remap")
            << "200 201" << 50 << "b201=1 p201 r201" << 1u << 1 << "201";
        QTest::newRow("least recently used")
            << "200 201 202" << 10
            << "b200=1 p200 r200 @5 b201=2 r201 @10 b202=3 r202 @15 p200 r200" << 9u << 35
            << "201 map";
        QTest::newRow("all used a moment ago")
            << "200 201" << 40 << "b200=1 r200 @10 b201=2 r201" << 3u << 15 << "wait 40";
        QTest::newRow("the oldest has rested")
            << "200 201" << 40 << "b200=1 r200 @10 b201=2 r201" << 3u << 40 << "200 map";
        QTest::newRow("all held") << "200 201" << 0 << "b200=1 p200 b201=2 p201" << 3u << 1000
                                  << "never";
        QTest::newRow("held one released")
            << "200 201" << 0 << "b200=1 p200 b201=2 p201 @1000 r201" << 3u << 2000 << "201 map";
        QTest::newRow("empty pool") << "" << 0 << "" << 1u << 0 << "never";
    }

    void assign() {
        QFETCH(QString, pool);
        QFETCH(int, guardMs);
        QFETCH(QString, steps);
        QFETCH(uint, keysym);
        QFETCH(int, atMs);
        QFETCH(QString, answer);
        const Clock::time_point t0 = Clock::now();
        QVector<int> keycodes;
        for (const QString& k : pool.split(' ', Qt::SkipEmptyParts)) keycodes << k.toInt();
        SpareKeycodePool spares(keycodes, milliseconds(guardMs));
        Clock::time_point now = t0;
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const int n = step.mid(1).section('=', 0, 0).toInt();
            if (step.startsWith('@')) now = t0 + milliseconds(n);
            if (step.startsWith('b')) spares.bind(n, step.section('=', 1).toUInt(), now);
            if (step.startsWith('p')) spares.press(n, now);
            if (step.startsWith('r')) spares.release(n, now);
        }
        const SpareKeycodePool::Assignment a = spares.assign(keysym, t0 + milliseconds(atMs));
        QString got =
            QStringLiteral("wait %1").arg(duration_cast<milliseconds>(a.notBefore - t0).count());
        if (a.keycode >= 0) got = QString::number(a.keycode) + (a.needsMapping ? " map" : "");
        if (a.keycode < 0 && a.notBefore == Clock::time_point::max()) got = QStringLiteral("never");
        QCOMPARE(got, answer);
    }

    void restorableAfterThePause() {
        SpareKeycodePool pool({200, 201, 202}, 0ms);
        const Clock::time_point t0 = Clock::now();
        pool.bind(200, 0x1000001, t0);
        pool.release(200, t0);
        pool.bind(201, 0x1000002, t0 + 100ms);
        pool.release(201, t0 + 100ms);
        pool.bind(202, 0x1000003, t0);
        pool.press(202, t0);  // held: stays bound whatever the time
        QVERIFY(pool.isHeld(202) && !pool.isHeld(201));
        QCOMPARE(pool.restorable(t0 + 50ms), QVector<int>{200});
        QCOMPARE(pool.restorable(t0 + 1s), (QVector<int>{200, 201}));
        pool.unbind(200);
        QCOMPARE(pool.keysymOf(200), quint32(0));
        QCOMPARE(pool.boundKeycodes(), (QVector<int>{201, 202}));
    }
};

QTEST_GUILESS_MAIN(TestSpareKeycodePool)
#include "tst_sparekeycodepool.moc"
