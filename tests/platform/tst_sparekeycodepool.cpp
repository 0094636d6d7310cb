// Which spare keycode a character the keymap lacks is typed with, and when.
#include <QtTest>

#include "SpareKeycodePool.h"

using namespace std::chrono_literals;
using Clock = SpareKeycodePool::Clock;

class TestSpareKeycodePool : public QObject {
    Q_OBJECT

private slots:
    void unusedKeycodesComeFirst();
    void boundKeysymIsReusedWithoutMapping();
    void leastRecentlyUsedIsRebound();
    void recentlyUsedKeycodesRest();
    void heldKeycodesAreNeverRebound();
    void restorableAfterThePause();
    void emptyPool();
};

void TestSpareKeycodePool::unusedKeycodesComeFirst() {
    SpareKeycodePool pool({200, 201, 202}, 50ms);
    const Clock::time_point t0 = Clock::now();
    const auto a = pool.assign(0x1004e2d, t0);
    QCOMPARE(a.keycode, 200);
    QVERIFY(a.needsMapping);
    pool.bind(200, 0x1004e2d, t0);
    pool.press(200, t0);
    pool.release(200, t0);
    // Straight away, another character takes a keycode that was never used.
    const auto b = pool.assign(0x1006587, t0 + 1ms);
    QCOMPARE(b.keycode, 201);
    QVERIFY(b.needsMapping);
}

void TestSpareKeycodePool::boundKeysymIsReusedWithoutMapping() {
    SpareKeycodePool pool({200, 201}, 50ms);
    const Clock::time_point t0 = Clock::now();
    pool.bind(201, 0x1004e2d, t0);
    pool.press(201, t0);
    pool.release(201, t0);
    const auto a = pool.assign(0x1004e2d, t0 + 1ms);  // within the rest: same key, no remap
    QCOMPARE(a.keycode, 201);
    QVERIFY(!a.needsMapping);
    QCOMPARE(pool.keysymOf(201), quint32(0x1004e2d));
}

void TestSpareKeycodePool::leastRecentlyUsedIsRebound() {
    SpareKeycodePool pool({200, 201, 202}, 10ms);
    Clock::time_point t = Clock::now();
    for (int k : {200, 201, 202}) {
        pool.bind(k, 0x1000000u + k, t);
        pool.press(k, t);
        pool.release(k, t);
        t += 5ms;
    }
    pool.press(200, t);  // 200 used again, so 201 is now the oldest
    pool.release(200, t);
    const auto a = pool.assign(0x1009999, t + 20ms);
    QCOMPARE(a.keycode, 201);
    QVERIFY(a.needsMapping);
}

void TestSpareKeycodePool::recentlyUsedKeycodesRest() {
    SpareKeycodePool pool({200, 201}, 40ms);
    const Clock::time_point t0 = Clock::now();
    pool.bind(200, 0x1000001, t0);
    pool.release(200, t0);
    pool.bind(201, 0x1000002, t0 + 10ms);
    pool.release(201, t0 + 10ms);
    const auto busy = pool.assign(0x1000003, t0 + 15ms);
    QCOMPARE(busy.keycode, -1);
    QVERIFY(busy.notBefore == t0 + 40ms);  // when the older one has rested
    const auto rested = pool.assign(0x1000003, t0 + 40ms);
    QCOMPARE(rested.keycode, 200);
    QVERIFY(rested.needsMapping);
}

void TestSpareKeycodePool::heldKeycodesAreNeverRebound() {
    SpareKeycodePool pool({200, 201}, 0ms);
    const Clock::time_point t0 = Clock::now();
    pool.bind(200, 0x1000001, t0);
    pool.press(200, t0);
    pool.bind(201, 0x1000002, t0);
    pool.press(201, t0);
    const auto none = pool.assign(0x1000003, t0 + 1s);
    QCOMPARE(none.keycode, -1);
    QVERIFY(none.notBefore == Clock::time_point::max());
    pool.release(201, t0 + 1s);
    QCOMPARE(pool.assign(0x1000003, t0 + 2s).keycode, 201);
    QVERIFY(pool.isHeld(200));
    QVERIFY(!pool.isHeld(201));
}

void TestSpareKeycodePool::restorableAfterThePause() {
    SpareKeycodePool pool({200, 201, 202}, 0ms);
    const Clock::time_point t0 = Clock::now();
    pool.bind(200, 0x1000001, t0);
    pool.release(200, t0);
    pool.bind(201, 0x1000002, t0 + 100ms);
    pool.release(201, t0 + 100ms);
    pool.bind(202, 0x1000003, t0);
    pool.press(202, t0);  // held: stays bound whatever the time
    QCOMPARE(pool.restorable(t0 + 50ms), QVector<int>{200});
    QCOMPARE(pool.restorable(t0 + 1s), (QVector<int>{200, 201}));
    pool.unbind(200);
    QCOMPARE(pool.keysymOf(200), quint32(0));
    QCOMPARE(pool.boundKeycodes(), (QVector<int>{201, 202}));
}

void TestSpareKeycodePool::emptyPool() {
    SpareKeycodePool pool;
    QCOMPARE(pool.size(), 0);
    const auto a = pool.assign(0x1000001, Clock::now());
    QCOMPARE(a.keycode, -1);
    QVERIFY(a.notBefore == Clock::time_point::max());
}

QTEST_GUILESS_MAIN(TestSpareKeycodePool)
#include "tst_sparekeycodepool.moc"
