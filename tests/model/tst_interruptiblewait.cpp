#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "InterruptibleWait.h"
#include "TimerResolution.h"

using namespace std::chrono;

namespace {

class CountingResolution : public TimerResolution {
public:
    explicit CountingResolution(bool raises) : raises(raises) {}
    bool begin() override {
        ++begins;
        return raises;
    }
    void end() override { ++ends; }
    bool raises;
    int begins = 0;
    int ends = 0;
};

double toMs(nanoseconds d) {
    return duration<double, std::milli>(d).count();
}

}  // namespace

// The wait before each operation: chunks of at most 50 ms, each measured on the
// steady clock and resumed after an early wake-up, with the run flag checked
// between chunks.
class TestInterruptibleWait : public QObject {
    Q_OBJECT

private slots:
    void chunksOfAtMostFiftyMilliseconds_data();
    void chunksOfAtMostFiftyMilliseconds();
    void earlyWakeUpIsResumed_data();
    void earlyWakeUpIsResumed();
    void stopWithinAChunkEndsAfterIt();
    void stopDuringAnEndlessWait();
    void clearedFlagWaitsForNothing();
    void zeroAndNegativeIntervals_data();
    void zeroAndNegativeIntervals();
    void realSleepIsNeverShort();
};

void TestInterruptibleWait::chunksOfAtMostFiftyMilliseconds_data() {
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<QList<int>>("chunks");
    QTest::addColumn<bool>("raises");
    // Chunks of at least 20 ms, so a busy machine that delays the thread by a few
    // milliseconds cannot swallow a whole chunk.
    QTest::newRow("20") << 20 << QList<int>{20} << true;
    QTest::newRow("49") << 49 << QList<int>{49} << false;
    QTest::newRow("50") << 50 << QList<int>{50} << true;
    QTest::newRow("70") << 70 << QList<int>{50, 20} << false;
    QTest::newRow("120") << 120 << QList<int>{50, 50, 20} << true;
    QTest::newRow("200") << 200 << QList<int>{50, 50, 50, 50} << true;
}

void TestInterruptibleWait::chunksOfAtMostFiftyMilliseconds() {
    QFETCH(int, milliseconds);
    QFETCH(QList<int>, chunks);
    QFETCH(bool, raises);
    std::atomic<bool> running{true};
    CountingResolution resolution(raises);
    InterruptibleWait wait(running, resolution);
    std::vector<nanoseconds> requests;
    wait.setSleepFunction([&](nanoseconds d) {
        requests.push_back(d);
        std::this_thread::sleep_for(d);
    });
    const auto start = steady_clock::now();
    QVERIFY(wait.wait(milliseconds));
    const auto elapsed = steady_clock::now() - start;

    // A sleep that never wakes early is asked once per chunk, for the chunk.
    QCOMPARE(int(requests.size()), chunks.size());
    for (int i = 0; i < chunks.size(); ++i) {
        const double asked = toMs(requests[i]);
        QVERIFY2(asked <= chunks[i] && asked > chunks[i] - 15,
                 qPrintable(QStringLiteral("chunk %1 asked %2 ms").arg(i).arg(asked)));
    }
    QVERIFY(elapsed >= milliseconds * 1ms);
    // The timer resolution is raised once around the whole wait and put back once.
    QCOMPARE(resolution.begins, 1);
    QCOMPARE(resolution.ends, raises ? 1 : 0);
}

void TestInterruptibleWait::earlyWakeUpIsResumed_data() {
    QTest::addColumn<int>("divisor");
    QTest::newRow("wakes at once every other time") << 0;
    QTest::newRow("sleeps a third of what it is asked") << 3;
}

void TestInterruptibleWait::earlyWakeUpIsResumed() {
    QFETCH(int, divisor);
    std::atomic<bool> running{true};
    CountingResolution resolution(false);
    InterruptibleWait wait(running, resolution);
    std::vector<nanoseconds> requests;
    wait.setSleepFunction([&](nanoseconds d) {
        requests.push_back(d);
        if (divisor == 0) {
            if (requests.size() % 2 == 0) std::this_thread::sleep_for(d);
        } else {
            std::this_thread::sleep_for(d / divisor);
        }
    });
    const auto start = steady_clock::now();
    QVERIFY(wait.wait(100));
    const auto elapsed = steady_clock::now() - start;
    QVERIFY2(elapsed >= 100ms, qPrintable(QString::number(toMs(elapsed))));

    // Within a chunk each request is what is left of it; a new chunk asks for more
    // than the one before. Exactly two chunks of 50 ms make up the wait.
    int chunkStarts = 1;
    for (size_t i = 1; i < requests.size(); ++i)
        if (requests[i] > requests[i - 1]) ++chunkStarts;
    QCOMPARE(chunkStarts, 2);
    QVERIFY(requests.size() >= 4);
    for (nanoseconds d : requests) QVERIFY(d <= 50ms);
    if (divisor == 0) QCOMPARE(int(requests.size()), 4);
}

void TestInterruptibleWait::stopWithinAChunkEndsAfterIt() {
    std::atomic<bool> running{true};
    CountingResolution resolution(true);
    InterruptibleWait wait(running, resolution);
    int calls = 0;
    wait.setSleepFunction([&](nanoseconds d) {
        ++calls;
        running.store(false);  // the user stops the run during the first chunk
        std::this_thread::sleep_for(d);
    });
    const auto start = steady_clock::now();
    QVERIFY(!wait.wait(500));
    const auto elapsed = steady_clock::now() - start;
    QCOMPARE(calls, 1);
    QVERIFY2(elapsed >= 50ms && elapsed < 300ms, qPrintable(QString::number(toMs(elapsed))));
    QCOMPARE(resolution.ends, 1);
}

void TestInterruptibleWait::stopDuringAnEndlessWait() {
    std::atomic<bool> running{true};
    CountingResolution resolution(true);
    InterruptibleWait wait(running, resolution);
    int calls = 0;
    wait.setSleepFunction([&](nanoseconds d) {
        if (++calls == 3) running.store(false);
        std::this_thread::sleep_for(d);
    });
    QVERIFY(!wait.wait(std::numeric_limits<int>::max()));
    QCOMPARE(calls, 3);
    QCOMPARE(resolution.ends, 1);
}

void TestInterruptibleWait::clearedFlagWaitsForNothing() {
    std::atomic<bool> running{false};
    CountingResolution resolution(true);
    InterruptibleWait wait(running, resolution);
    int calls = 0;
    wait.setSleepFunction([&](nanoseconds) { ++calls; });
    QVERIFY(!wait.wait(1000));
    QCOMPARE(calls, 0);
    QCOMPARE(resolution.begins, resolution.ends);
}

void TestInterruptibleWait::zeroAndNegativeIntervals_data() {
    QTest::addColumn<int>("milliseconds");
    QTest::addColumn<bool>("running");
    QTest::newRow("0, running") << 0 << true;
    QTest::newRow("0, stopped") << 0 << false;
    QTest::newRow("-1, running") << -1 << true;
    QTest::newRow("-50, stopped") << -50 << false;
    QTest::newRow("lowest, running") << std::numeric_limits<int>::min() << true;
}

void TestInterruptibleWait::zeroAndNegativeIntervals() {
    QFETCH(int, milliseconds);
    QFETCH(bool, running);
    std::atomic<bool> flag{running};
    CountingResolution resolution(true);
    InterruptibleWait wait(flag, resolution);
    int calls = 0;
    wait.setSleepFunction([&](nanoseconds) { ++calls; });
    // Nothing to wait: the result is only whether the run goes on.
    QCOMPARE(wait.wait(milliseconds), running);
    QCOMPARE(calls, 0);
    QCOMPARE(resolution.begins, 0);
    QCOMPARE(resolution.ends, 0);
}

void TestInterruptibleWait::realSleepIsNeverShort() {
    std::atomic<bool> running{true};
    TimerResolution resolution;
    InterruptibleWait wait(running, resolution);
    for (int ms : {1, 7, 50, 51, 130}) {
        const auto start = steady_clock::now();
        QVERIFY(wait.wait(ms));
        const auto elapsed = steady_clock::now() - start;
        QVERIFY2(elapsed >= ms * 1ms, qPrintable(QString::number(toMs(elapsed))));
    }
}

QTEST_GUILESS_MAIN(TestInterruptibleWait)
#include "tst_interruptiblewait.moc"
