#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/InterruptibleWait.h"
#include "platform/TimerResolution.h"

using namespace std::chrono;

namespace {
struct CountingResolution : TimerResolution {
    explicit CountingResolution(bool raises) : raises(raises) {}
    bool begin() override { return ++begins, raises; }
    void end() override { ++ends; }
    bool raises;
    int begins = 0, ends = 0;
};

const auto toMs = [](nanoseconds d) { return duration<double, std::milli>(d).count(); };
}  // namespace

// The wait before each operation: chunks of at most 50 ms, resumed after early wake-ups.
class TestInterruptibleWait : public QObject {
    Q_OBJECT

private slots:
    void chunksOfAtMostFiftyMilliseconds_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<int>("sleeps");  // 1: all it is asked, 3: a third, 0: every other time
        QTest::addColumn<QList<int>>("chunks");
        QTest::newRow("120") << 120 << 1 << QList<int>{50, 50, 20};
        QTest::newRow("100, waking at once every other time") << 100 << 0 << QList<int>{50, 50};
        QTest::newRow("100, sleeping a third of each request") << 100 << 3 << QList<int>{50, 50};
    }
    void chunksOfAtMostFiftyMilliseconds() {
        QFETCH(int, milliseconds);
        QFETCH(int, sleeps);
        QFETCH(QList<int>, chunks);
        std::atomic<bool> running{true};
        CountingResolution resolution(sleeps != 0);
        InterruptibleWait wait(running, resolution);
        std::vector<nanoseconds> requests;
        wait.setSleepFunction([&](nanoseconds d) {
            requests.push_back(d);
            if (sleeps || requests.size() % 2 == 0)
                std::this_thread::sleep_for(sleeps ? d / sleeps : d);
        });
        const auto start = steady_clock::now();
        QVERIFY(wait.wait(milliseconds));
        QVERIFY(steady_clock::now() - start >= milliseconds * 1ms);
        // A chunk asks for all of itself, then after each early wake-up for what is left.
        QList<double> firsts;
        for (size_t i = 0; i < requests.size(); ++i) {
            QVERIFY(requests[i] <= 50ms);
            if (sleeps == 1 || i == 0 || requests[i] > requests[i - 1]) firsts << toMs(requests[i]);
        }
        QCOMPARE(firsts.size(), chunks.size());
        for (int i = 0; i < chunks.size(); ++i)
            QVERIFY2(firsts[i] <= chunks[i] && firsts[i] > chunks[i] - 15,
                     qPrintable(QString::number(firsts[i])));
        if (sleeps != 1) QVERIFY(int(requests.size()) > chunks.size());
        // The timer resolution is raised once around the whole wait, and put back.
        QCOMPARE(resolution.begins, 1);
        QCOMPARE(resolution.ends, resolution.raises ? 1 : 0);
    }

    // Whether the run goes on; a stop ends the wait after its chunk.
    void runFlag_data() {
        QTest::addColumn<int>("milliseconds");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("stopInChunk");  // 0: never stopped during the wait
        QTest::newRow("lowest, running") << std::numeric_limits<int>::min() << true << 0;
        QTest::newRow("1000, stopped before") << 1000 << false << 0;
        QTest::newRow("stopped in an endless wait") << std::numeric_limits<int>::max() << true << 3;
    }
    void runFlag() {
        QFETCH(int, milliseconds);
        QFETCH(bool, running);
        QFETCH(int, stopInChunk);
        std::atomic<bool> flag{running};
        CountingResolution resolution(true);
        InterruptibleWait wait(flag, resolution);
        int calls = 0;
        wait.setSleepFunction([&](nanoseconds d) {
            if (++calls == stopInChunk) flag.store(false);
            std::this_thread::sleep_for(d);
        });
        const auto start = steady_clock::now();
        QCOMPARE(wait.wait(milliseconds), running && !stopInChunk);
        const auto elapsed = steady_clock::now() - start;
        QCOMPARE(calls, stopInChunk);
        QVERIFY2(elapsed >= stopInChunk * 50ms && elapsed < stopInChunk * 50ms + 250ms,
                 qPrintable(QString::number(toMs(elapsed))));
        QCOMPARE(resolution.begins, resolution.ends);
        if (milliseconds < 1) QCOMPARE(resolution.begins, 0);
    }

    // A stop 5 ms into a 50 ms chunk: the chunk's end would come 45 ms later.
    void wakeAllEndsAChunkAtOnce() {
        CountingResolution resolution(false);
        std::vector<double> latencies;
        for (int round = 0; round < 5; ++round) {
            std::atomic<bool> flag{true};
            steady_clock::time_point returned;
            std::thread waiter([&] {
                InterruptibleWait(flag, resolution).wait(InterruptibleWait::kChunkMs);
                returned = steady_clock::now();
            });
            std::this_thread::sleep_for(5ms);
            const steady_clock::time_point stopped = steady_clock::now();
            flag.store(false);
            InterruptibleWait::wakeAll();
            waiter.join();
            latencies.push_back(toMs(returned - stopped));
        }
        std::sort(latencies.begin(), latencies.end());
        QVERIFY2(latencies[2] < 20, qPrintable(QString::number(latencies[2])));
    }
};

QTEST_GUILESS_MAIN(TestInterruptibleWait)
#include "tst_interruptiblewait.moc"
