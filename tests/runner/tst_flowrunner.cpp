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
    int requests = 0, releases = 0;
};

// "a0 b120": a step that types "a" after no wait, then one that types "b" after 120 ms.
void addSteps(Flow* flow, const QString& steps) {
    for (const QString& step : steps.split(' ')) {
        auto op = std::make_unique<TextInputOperation>();
        op->setText(step.left(1));
        op->setInterval(step.mid(1).toInt());
        flow->appendOperation(std::move(op));
    }
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

    // Every pass starts at the chosen row; each wait is divided by the speed and never ends
    // early. A busy machine makes each wait up to 50 ms late, the start and end 150 ms.
    void runsInOrderAtTheSpeed_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<RunOptions>("options");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("milliseconds");
        QTest::newRow("once, a negative wait waits not at all")
            << "a0 b120 n-1000 c30" << RunOptions{} << "abnc" << 150;
        QTest::newRow("three passes, ten times as fast")
            << "a0 b0 c1000" << RunOptions{3, 10.0, 1} << "abcabcabc" << 300;
        QTest::newRow("every pass from row 2, 5x")
            << "a0 b0 c1000" << RunOptions{2, 5.0, 2} << "bcbc" << 400;
        QTest::newRow("once from the last row, twice as fast")
            << "a0 b0 c1000" << RunOptions{1, 2.0, 3} << "c" << 500;
        // Out of range: refused, nothing runs. -1: no time.
        QTest::newRow("negative repeat") << "a0 b0" << RunOptions{-1, 1.0, 1} << "" << -1;
        QTest::newRow("speed not a number")
            << "a0 b0" << RunOptions{1, std::nan(""), 1} << "" << -1;
        QTest::newRow("past the last row") << "a0 b0" << RunOptions{1, 1.0, 3} << "" << -1;
    }
    void runsInOrderAtTheSpeed() {
        QFETCH(QString, steps);
        QFETCH(RunOptions, options);
        QFETCH(QString, expected);
        QFETCH(int, milliseconds);
        Flow flow;
        addSteps(&flow, steps);
        FlowRunner runner;
        QSignalSpy passes(&runner, &FlowRunner::sigPassStarted);
        QSignalSpy started(&runner, &FlowRunner::sigStepStarted);
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QElapsedTimer clock;
        clock.start();
        QString why;
        QCOMPARE(runner.start(FlowRunner::snapshot(flow), options, &why), milliseconds >= 0);
        QCOMPARE(why.isEmpty(), runner.isRunning());
        QVERIFY(milliseconds < 0 || end.wait(3000));
        const qint64 elapsed = clock.elapsed();
        runner.stop();
        QCOMPARE(typed(m_rec), expected);
        QCOMPARE(end.count(), milliseconds < 0 ? 0 : 1);
        QVERIFY(!runner.isRunning() && !runner.isJoinable());
        QCOMPARE(m_awake.requests, milliseconds < 0 ? 0 : 1);
        QCOMPARE(m_awake.releases, m_awake.requests);
        if (milliseconds < 0) return;
        QCOMPARE(passes.count(), options.repeat);
        QCOMPARE(passes.last(), (QList<QVariant>{options.repeat, options.repeat}));
        // Each step is announced with its row in the whole list and its description.
        const QStringList rows = steps.split(' ');
        QCOMPARE(started.count(), expected.size());
        int waits = 0;
        for (int i = 0; i < expected.size(); ++i) {
            int row = 0;
            while (rows[row][0] != expected[i]) ++row;
            waits += rows[row].mid(1).toInt() > 0;
            QCOMPARE(started.at(i),
                     (QList<QVariant>{row, rows.size(), flow.operationAt(row)->description()}));
        }
        QVERIFY2(elapsed >= milliseconds && elapsed < milliseconds + 50 * waits + 150,
                 qPrintable(QString::number(elapsed)));
    }

    // A stop in a wait of the second pass of an endless run is noticed within one chunk of
    // at most 50 ms and skips the rest; the end the worker queued changes nothing later.
    void stopDuringAWaitIsPromptAndSkipsTheRest() {
        Flow flow;
        addSteps(&flow, "a0 b200");
        FlowRunner runner;
        QSignalSpy passes(&runner, &FlowRunner::sigPassStarted);
        QSignalSpy end(&runner, &FlowRunner::sigEndOfFlow);
        QVERIFY(runner.start(FlowRunner::snapshot(flow), RunOptions{0, 1.0, 1}));
        QTRY_VERIFY_WITH_TIMEOUT(typed(m_rec) == QStringLiteral("aba"), 1000);  // in b's wait
        QVERIFY(!FlowRunner().start(flow));  // one run at a time in the process
        QElapsedTimer clock;
        clock.start();
        runner.stop();
        QVERIFY2(clock.elapsed() < 150, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!runner.isJoinable());
        QCOMPARE(passes.count(), 2);
        QCOMPARE(passes.at(1), (QList<QVariant>{2, 0}));
        QVERIFY(end.count() == 1 || end.wait(500));
        runner.stop();
        QCOMPARE(typed(m_rec), QStringLiteral("aba"));
        QCOMPARE(m_awake.releases, 1);
    }

    void interruptedRunReleasesWhatItPressed() {
        Flow flow;
        flow.appendOperation(  // Ctrl+Shift+A pressed and left down
            OperationValues::make(
                "key_input interval=50 eventType=0 key=[A] modifiers=0x06000000"));
        // A key, unlike a text, would still be pressed if it ran after the stop.
        flow.appendOperation(OperationValues::make("key_input interval=5000 eventType=0 key=[B]"));
        {
            FlowRunner runner;  // destroying it stops the run
            QVERIFY(runner.start(flow));
            // The run replays the flow as it was at the start, whatever is edited or removed.
            QVERIFY(flow.setOperationValue(0, "key", QStringLiteral("C")));
            flow.takeOperations(1, 1);
            QTRY_VERIFY_WITH_TIMEOUT(m_rec.records().size() == 3, 1000);
        }
        // Shift, Ctrl, A down; then A, Ctrl, Shift up: nothing left held.
        QCOMPARE(m_rec.records(),
                 (InputBatch{InputRecord::key(16, false), InputRecord::key(17, false),
                             InputRecord::key(65, false), InputRecord::key(65, true),
                             InputRecord::key(17, true), InputRecord::key(16, true)}));
        QVERIFY(!m_rec.hasHeldInput());
    }

private:
    RecordingInputBackend m_rec;
    CountingKeepAwake m_awake;
};

QTEST_GUILESS_MAIN(TestFlowRunner)
#include "tst_flowrunner.moc"
