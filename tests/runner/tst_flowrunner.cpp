#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include "core/AppConfig.h"
#include "model/Flow.h"
#include "model/TextInputOperation.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"
#include "runner/FlowRunner.h"
#include "support/OperationValues.h"
#include "support/RecordingInputBackend.h"

namespace {
class CountingKeepAwake : public KeepAwake {
public:
    void request() override { ++requests; }
    void release() override { ++releases; }
    int requests = 0;
    int releases = 0;
};

// A text operation types one character per code unit: a compact, recognisable marker.
void marker(QChar c, int interval, Flow* flow) {
    auto op = std::make_unique<TextInputOperation>();
    op->setText(QString(c));
    op->setInterval(interval);
    flow->appendOperation(std::move(op));
}
void markers(Flow* flow, std::initializer_list<std::pair<char, int>> charactersAndIntervals) {
    for (const auto& [c, interval] : charactersAndIntervals) marker(c, interval, flow);
}

QString typed(const RecordingInputBackend& rec) {
    QString s;
    for (const InputRecord& r : rec.records())
        if (r.isCharacter() && !r.isKeyUp()) s += QChar(r.scan);
    return s;
}
}  // namespace

Q_DECLARE_METATYPE(RunOptions)

class TestFlowRunner : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_rec.clear();
        m_awake = CountingKeepAwake();
        Platform::setInput(&m_rec);
        Platform::setKeepAwake(&m_awake);
        AppConfig::instance().running = false;
    }
    void cleanup() {
        Platform::setInput(nullptr);
        Platform::setKeepAwake(nullptr);
    }

    void emptyFlowEndsAtOnce() {
        Flow flow;
        FlowRunner runner;
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QVERIFY(runner.start(flow));
        QVERIFY(runner.isRunning());
        QVERIFY(end.wait(1000));
        QCOMPARE(end.count(), 1);
        runner.stop();
        QVERIFY(!runner.isRunning());
        QVERIFY(!runner.isJoinable());
        QCOMPARE(m_awake.requests, 1);
        QCOMPARE(m_awake.releases, 1);
    }

    void operationsRunInOrderAfterTheirWaits() {
        Flow flow;
        markers(&flow, {{'a', 0}, {'b', 120}, {'n', -1000}, {'c', 30}});
        FlowRunner runner;
        QSignalSpy steps(&runner, &FlowRunner::sigStepStarted);
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(runner.start(flow));
        QVERIFY(end.wait(3000));
        const qint64 elapsed = clock.elapsed();
        runner.stop();
        QCOMPARE(typed(m_rec), QStringLiteral("abnc"));
        // The waits add up; a negative interval waits not at all.
        QVERIFY2(elapsed >= 150 && elapsed < 1000, qPrintable(QString::number(elapsed)));
        // Each step is announced before its wait, with its place and description.
        QCOMPARE(steps.count(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(steps.at(i), (QList<QVariant>{i, 4, flow.operationAt(i)->description()}));
    }

    // Every pass starts at the first row; each wait is divided by the speed, never early
    // (a 1-second wait at speed 2 ends within 10%).
    void passesFromTheFirstRowAtTheSpeed_data() {
        QTest::addColumn<int>("repeat");
        QTest::addColumn<int>("fromRow");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("three passes, ten times as fast") << 3 << 1 << 10.0 << "abcabcabc" << 300;
        QTest::newRow("every pass from row 2, 5x") << 2 << 2 << 5.0 << "bcbc" << 400;
        QTest::newRow("once from the last row, twice as fast") << 1 << 3 << 2.0 << "c" << 500;
    }
    void passesFromTheFirstRowAtTheSpeed() {
        QFETCH(int, repeat);
        QFETCH(int, fromRow);
        QFETCH(double, speed);
        QFETCH(QString, expected);
        QFETCH(int, milliseconds);
        Flow flow;
        markers(&flow, {{'a', 0}, {'b', 0}, {'c', 1000}});
        FlowRunner runner;
        QSignalSpy passes(&runner, &FlowRunner::sigPassStarted);
        QSignalSpy steps(&runner, &FlowRunner::sigStepStarted);
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(runner.start(FlowRunner::snapshot(flow), RunOptions{repeat, speed, fromRow}));
        QVERIFY(end.wait(3000));
        const qint64 elapsed = clock.elapsed();
        runner.stop();
        QCOMPARE(typed(m_rec), expected);
        const int lateness = 50 * expected.count('c');  // per wait, on a busy machine
        QVERIFY2(elapsed >= milliseconds && elapsed < milliseconds + lateness,
                 qPrintable(QString::number(elapsed)));
        QCOMPARE(passes.count(), repeat);
        QCOMPARE(passes.last(), (QList<QVariant>{repeat, repeat}));
        // Steps are announced by their row in the whole list.
        QCOMPARE(steps.count(), expected.size());
        QCOMPARE(steps.first().first().toInt(), fromRow - 1);
    }

    void optionsOutOfRangeStartNothing_data() {
        QTest::addColumn<RunOptions>("options");
        QTest::newRow("negative repeat") << RunOptions{-1, 1.0, 1};
        QTest::newRow("speed too high") << RunOptions{1, 10.5, 1};
        QTest::newRow("speed not a number") << RunOptions{1, std::nan(""), 1};
        QTest::newRow("past the last row") << RunOptions{1, 1.0, 3};
    }
    void optionsOutOfRangeStartNothing() {
        QFETCH(RunOptions, options);
        Flow flow;
        markers(&flow, {{'a', 0}, {'b', 0}});
        FlowRunner runner;
        QString why;
        QVERIFY(!runner.start(FlowRunner::snapshot(flow), options, &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!runner.isRunning());
        QCOMPARE(m_awake.requests, 0);
    }

    void slowSpeedHoldsLongIntervals() {
        const RunOptions slow{1, 0.1, 1};
        QCOMPARE(slow.scaledInterval(INT_MAX / 2), INT_MAX);
        QCOMPARE(slow.scaledInterval(150), 1500);
        QCOMPARE(slow.scaledInterval(-5), -5);
    }

    void stopInTheSecondEndlessPassIsPrompt() {
        Flow flow;
        markers(&flow, {{'a', 0}, {'b', 200}});
        FlowRunner runner;
        QSignalSpy passes(&runner, &FlowRunner::sigPassStarted);
        QVERIFY(runner.start(FlowRunner::snapshot(flow), RunOptions{0, 1.0, 1}));
        QTRY_VERIFY_WITH_TIMEOUT(typed(m_rec) == QStringLiteral("aba"), 1000);  // in b's wait
        QElapsedTimer clock;
        clock.start();
        runner.stop();
        QVERIFY2(clock.elapsed() < 150, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(typed(m_rec), QStringLiteral("aba"));
        QCOMPARE(passes.count(), 2);
        QCOMPARE(passes.at(1), (QList<QVariant>{2, 0}));
    }

    void stopDuringAWaitSkipsTheRest() {
        Flow flow;
        markers(&flow, {{'a', 0}, {'b', 400}, {'c', 0}});
        FlowRunner runner;
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QVERIFY(runner.start(flow));
        QTest::qWait(100);
        QElapsedTimer clock;
        clock.start();
        runner.stop();
        // A stop is noticed within one chunk of at most 50 ms.
        QVERIFY2(clock.elapsed() < 150, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(typed(m_rec), QStringLiteral("a"));
        QVERIFY(!runner.isJoinable());
        // The worker still queued its end; handling it later changes nothing.
        QVERIFY(end.count() == 1 || end.wait(500));
        runner.stop();
        QCOMPARE(typed(m_rec), QStringLiteral("a"));
        QCOMPARE(m_awake.releases, 1);
    }

    // The user stops while a long text is being typed, here just after the first half
    // of a surrogate pair: the text ends after that character, never inside it.
    void stopEndsATextBetweenCharacters() {
        struct StoppingBackend : RecordingInputBackend {
            bool inject(const InputBatch& batch) override {
                RecordingInputBackend::inject(batch);
                if (batches().size() == 3) AppConfig::instance().running = false;
                return true;
            }
        } backend;
        Platform::setInput(&backend);
        Flow flow;
        marker('x', 0, &flow);
        QVERIFY(flow.setOperationValue(0, "text", "ab\U0001F600" + QString(100000, 'c')));
        FlowRunner runner;
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QVERIFY(runner.start(flow));
        QVERIFY(end.wait(2000));
        runner.stop();
        QCOMPARE(typed(backend), QStringLiteral("ab\U0001F600"));
    }

    // The flow changes while it runs: the run replays it as it was at the start.
    void runReplaysTheFlowAsItWasAtTheStart() {
        Flow flow;
        markers(&flow, {{'a', 100}, {'b', 0}});
        FlowRunner runner;
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QVERIFY(runner.start(flow));
        QVERIFY(flow.setOperationValue(0, "text", QStringLiteral("x")));
        flow.takeOperations(1, 1);  // destroyed at once
        QVERIFY(end.wait(2000));
        runner.stop();
        QCOMPARE(typed(m_rec), QStringLiteral("ab"));
    }

    void secondStartWhileRunningStartsNothing() {
        Flow flow;
        marker('x', 300, &flow);
        FlowRunner first;
        FlowRunner second;
        QVERIFY(first.start(flow));
        QVERIFY(!second.start(flow));  // the run flag is process-wide
        first.stop();
        second.stop();
        QCOMPARE(typed(m_rec), QString());
    }

    void interruptedRunReleasesWhatItPressed() {
        Flow flow;
        flow.appendOperation(  // Ctrl+Shift+A pressed and left down
            OperationValues::make("key_input interval=0 eventType=0 key=[A] modifiers=0x06000000"));
        marker('z', 5000, &flow);
        FlowRunner runner;
        QVERIFY(runner.start(flow));
        QTRY_VERIFY_WITH_TIMEOUT(m_rec.records().size() == 3, 1000);
        runner.stop();
        const InputBatch all = m_rec.records();
        QCOMPARE(all.size(), 6);
        // Shift, Ctrl, A down; then A, Ctrl, Shift up: nothing left held.
        const quint16 downs[] = {16, 17, 65};
        const quint16 ups[] = {65, 17, 16};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(all.at(i), InputRecord::key(downs[i], false));
            QCOMPARE(all.at(3 + i), InputRecord::key(ups[i], true));
        }
        QVERIFY(!m_rec.hasHeldInput());
    }

    void destroyingTheRunnerJoinsTheWorker() {
        Flow flow;
        marker('w', 3000, &flow);
        QElapsedTimer clock;
        {
            FlowRunner runner;
            QVERIFY(runner.start(flow));
            QTest::qWait(20);
            clock.start();
        }
        QVERIFY(clock.elapsed() < 200);
        QVERIFY(!AppConfig::instance().running.load());
    }

private:
    RecordingInputBackend m_rec;
    CountingKeepAwake m_awake;
};

QTEST_GUILESS_MAIN(TestFlowRunner)
#include "tst_flowrunner.moc"
