// Recording on the real display: flowctl records what xdotool types and clicks in a
// receiving client; the file replayed into a fresh client gives the same text, the same
// presses on the same pixels, and the same pauses.
#include <signal.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "model/Flow.h"
#include "model/InputHelpers.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"
#include "support/ClientProcess.h"

namespace {
const QRect kArea(200, 300, 600, 60);
const QString kFirst = QStringLiteral("Hi, there: 1+1=2?");
const QString kSecond = QStringLiteral("Ok; (done) [x] {y} <z> ~`!@#$%^&*_-|\\/\"'");

// The receiver's lines: presses and double clicks as they came, and each pause longer
// than 150 ms before a press, which is where the user waited and the flow must wait
// as long.
struct Received {
    QStringList clicks;
    QList<qint64> pauses;
};
Received received(const QList<QByteArray>& lines) {
    Received r;
    qint64 last = -1;
    for (const QByteArray& line : lines) {
        const int at = line.indexOf('@');
        if (at < 0) continue;
        const qint64 time = line.mid(at + 1).toLongLong();
        if (line.startsWith("press") || line.startsWith("double"))
            r.clicks << QString::fromLatin1(line.left(at - 1));
        if (last >= 0 && time - last > 150 && !line.startsWith("release")) r.pauses << time - last;
        last = time;
    }
    return r;
}

// Empty when each pause is no more than `early` ms shorter and `late` ms longer than
// the real one, else what differs.
QString differences(const QList<qint64>& pauses, const QList<qint64>& real, int early, int late) {
    QString out;
    for (int i = 0; i < qMax(pauses.size(), real.size()); ++i) {
        const qint64 d = pauses.value(i, -1000) - real.value(i, 1000);
        if (d < -early || d > late)
            out += QStringLiteral("pause %1: %2 ms, real %3 ms; ")
                       .arg(i)
                       .arg(pauses.value(i, -1))
                       .arg(real.value(i, -1));
    }
    return out;
}

QStringList brief(const Flow& flow) {
    QStringList out;
    for (const Operation* op : flow.operations()) {
        if (auto* k = qobject_cast<const KeyboardOperation*>(op))
            out << QStringLiteral("key %1 %2+%3")
                       .arg(k->eventType())
                       .arg(modifiersToText(k->modifiers()), k->key());
        else if (auto* t = qobject_cast<const TextInputOperation*>(op))
            out << "text " + t->text();
        else if (auto* c = qobject_cast<const MouseClickOperation*>(op))
            out << QStringLiteral("click %1 %2").arg(c->clickType()).arg(c->clickButton());
        else
            out << op->typeName();
    }
    return out;
}
}  // namespace

class TestX11Recording : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    ClientProcess* m_receiver = nullptr;

    bool startReceiver() {
        delete m_receiver;
        m_receiver = new ClientProcess;
        const QRect a = kArea;
        const QString area = QString::asprintf("%d,%d,%d,%d", a.x(), a.y(), a.width(), a.height());
        return m_receiver->start(FLOWSMITH_TEXT_RECEIVER, {"--times", "--area", area});
    }

private slots:
    void initTestCase() { OperationFactory::registerStandardOperations(); }
    void cleanupTestCase() { delete m_receiver; }

    void recordsWhatXdotoolDoesAndReplaysIt() {
        QVERIFY(startReceiver());
        const QString file = m_dir.filePath("recorded.flow");
        QProcess recorder;
        recorder.start(QStringLiteral(FLOWCTL_PATH), {"record", file});
        QVERIFY(recorder.waitForReadyRead(10000));
        QVERIFY(recorder.readLine().startsWith("recording into"));

        const QPoint a = kArea.topLeft() + QPoint(40, 30), b = a + QPoint(200, 0),
                     c = a + QPoint(400, 5);
        auto at = [](const QPoint& p) {
            return QStringList{"mousemove", QString::number(p.x()), QString::number(p.y())};
        };
        // One xdotool per action: "type" takes every argument after it as text.
        const QList<QStringList> actions{
            at(a) + QStringList{"click", "1"},
            {"type", "--delay", "40", kFirst},
            {"key", "ctrl+a"},
            {"type", "--delay", "40", kSecond},
            {"key", "shift+Tab"},
            at(b) + QStringList{"click", "--repeat", "2", "--delay", "80", "1"},
            at(c) + QStringList{"click", "3"},
            {"key", "F9"}};
        for (const QStringList& action : actions) {
            QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), action), 0);
            QTest::qWait(300);
        }
        QVERIFY(recorder.state() == QProcess::NotRunning || recorder.waitForFinished(10000));
        const QString summary = QString::fromUtf8(recorder.readAllStandardOutput());
        QVERIFY2(recorder.exitCode() == 0 && summary.contains("stopped with F9"),
                 qPrintable(summary + recorder.readAllStandardError()));
        m_receiver->settle(200);
        const Received live = received(m_receiver->takeLines());
        QCOMPARE(m_receiver->fieldText(), kSecond);

        Flow flow;
        QVERIFY(flow.load(file));
        QCOMPARE(brief(flow), QStringList({"mouse_move", "click 0 0", "text " + kFirst,
                                           "key 2 Ctrl+A", "text " + kSecond, "key 2 Shift+Tab",
                                           "mouse_move", "click 1 0", "mouse_move", "click 0 1"}));

        QVERIFY(startReceiver());
        QProcess player;
        player.start(QStringLiteral(FLOWCTL_PATH), {"play", file});
        QVERIFY(player.waitForFinished(20000));
        QCOMPARE(player.exitCode(), 0);
        m_receiver->settle(200);
        const Received replayed = received(m_receiver->takeLines());
        QCOMPARE(m_receiver->fieldText(), kSecond);
        QCOMPARE(replayed.clicks, live.clicks);
        // The recording measured the pauses on the server's clock, as the receiver did.
        // The replay adds the runner's lateness: a few ms, but over 100 on a busy machine.
        QList<qint64> intervals;
        for (int i = 1; i < flow.operationCount(); ++i)
            if (flow.operationAt(i)->interval() > 150) intervals << flow.operationAt(i)->interval();
        QString wrong = differences(intervals, live.pauses, 20, 20);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        wrong = differences(replayed.pauses, live.pauses, 20, 300);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    void ctrlCEndsARecordingAndKeepsIt() {
        const QString file = m_dir.filePath("interrupted.flow");
        QProcess recorder;
        recorder.start(QStringLiteral(FLOWCTL_PATH), {"record", file, "--moves", "20"});
        QVERIFY(recorder.waitForReadyRead(10000));
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"type", "ok"}), 0);
        QTest::qWait(200);
        ::kill(pid_t(recorder.processId()), SIGINT);
        QVERIFY(recorder.waitForFinished(5000));
        QCOMPARE(recorder.exitCode(), 0);
        Flow flow;
        QVERIFY(flow.load(file));
        QCOMPARE(brief(flow), QStringList{"text ok"});
    }
};

QTEST_GUILESS_MAIN(TestX11Recording)
#include "tst_x11recording.moc"
