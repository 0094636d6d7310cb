#include <QSignalSpy>
#include <QtTest>

#include "model/InputHelpers.h"
#include "model/KeyNames.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/RecordingConverter.h"
#include "model/TextInputOperation.h"
#include "platform/InputRecorder.h"
#include "support/FedRecorder.h"

namespace {
// "INTERVAL what" per operation: "tap Ctrl+A", "press Shift", "text Hi", "move 1,2",
// "click L 1,2", "double R 1,2"; then "skip:KIND=N" for what was left out.
QString brief(const RecordingResult& r) {
    QStringList out;
    for (const auto& op : r.operations) {
        QString s = QString::number(op->interval()) + ' ';
        if (auto* k = qobject_cast<KeyboardOperation*>(op.get())) {
            const QString mods = modifiersToText(k->modifiers());
            s += QStringList{"press", "release", "tap"}.value(k->eventType()) + ' ' +
                 (mods.isEmpty() ? "" : mods + '+') + k->key();
        } else if (auto* t = qobject_cast<TextInputOperation*>(op.get())) {
            s += "text " + t->text();
        } else {
            auto* m = static_cast<MouseOperation*>(op.get());
            auto* c = qobject_cast<MouseClickOperation*>(op.get());
            s += (c ? QString(c->clickType() ? "double " : "click ") + "LRM"[c->clickButton()] + ' '
                    : QString("move "));
            s += QStringLiteral("%1,%2").arg(m->position().x()).arg(m->position().y());
        }
        out << s;
    }
    const char* kinds[] = {"drag", "wheel", "side", "nameless", "early"};
    for (int i = 0; i < kSkippedInputKinds; ++i)
        if (r.skipped[size_t(i)])
            out << QStringLiteral("skip:%1=%2").arg(kinds[i]).arg(r.skipped[size_t(i)]);
    return out.join(" | ");
}
}  // namespace

class TestRecordingConverter : public QObject {
    Q_OBJECT
private slots:
    void converts_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("moveInterval");
        QTest::addColumn<QString>("operations");
        const auto row = [](const char* name, const char* events, int moveInterval,
                            const char* operations) {
            QTest::newRow(name) << QString(events) << moveInterval << QString(operations);
        };
        // Taps and held keys.
        row("tap", "@100 +Return -Return @130 +Tab -Tab", 0, "100 tap Return | 20 tap Tab");
        row("held over another key", "+Return +Tab -Tab -Return", 0,
            "10 press Return | 10 tap Tab | 10 release Return");
        row("repeating", "+Left +Left +Left -Left", 0, "10 press Left | 30 release Left");
        row("held at the stop", "+Shift +Tab", 0, "10 tap Shift+Tab");
        row("stop key unseen", "+a -a +F9 -F9 +b -b", 0, "10 text ab");
        // Modifiers held around keys become their modifiers; around clicks, rows of their own.
        row("Ctrl+A", "+Ctrl +a -a -Ctrl", 0, "10 tap Ctrl+A");
        row("Shift+Ctrl+Tab", "+Ctrl +Shift +Tab -Tab -Shift -Ctrl", 0, "10 tap Shift+Ctrl+Tab");
        row("modifier alone", "+Shift -Shift", 0, "10 tap Shift");
        row("Ctrl+click", "m5,6 +Ctrl +a -a [L ]L -Ctrl", 0,
            "20 press Ctrl | 10 tap A | 10 move 5,6 | 0 click L 5,6 | 10 release Ctrl");
        row("rolled over", "+Tab +Ctrl -Tab -Ctrl", 0,
            "10 press Tab | 10 tap Ctrl | 0 release Tab");
        // Typing.
        row("text", "+Shift +H -H -Shift +i -i +Space -Space +Shift +! -! -Shift", 0,
            "10 text Hi !");
        row("held text key", "+a +a +a -a", 0, "10 text aaa");
        row("overlapping keys", "+a +b -a -b +é -é", 0, "10 text abé");
        row("Ctrl in between", "+a -a +Ctrl +c -c -Ctrl +b -b", 0,
            "10 text a | 10 tap Ctrl+C | 10 text b");
        row("Return in between", "+a -a +Return -Return +b -b", 0,
            "10 text a | 10 tap Return | 10 text b");
        row("pause", "+a -a @1500 +b -b", 0, "10 text a | 1480 text b");
        // Clicks.
        row("double", "m10,10 [L ]L [L ]L", 0, "20 move 10,10 | 0 double L 10,10");
        row("slow", "m10,10 [L ]L @500 [L ]L", 0,
            "20 move 10,10 | 0 click L 10,10 | 470 click L 10,10");
        row("apart", "m10,10 [L ]L m30,10 [L ]L", 0,
            "20 move 10,10 | 0 click L 10,10 | 20 move 30,10 | 0 click L 30,10");
        row("two buttons", "[L ]L [R ]R", 0, "10 move 0,0 | 0 click L 0,0 | 10 click R 0,0");
        row("key between", "[R ]R +a -a [R ]R", 0,
            "10 move 0,0 | 0 click R 0,0 | 10 text a | 10 click R 0,0");
        row("triple", "[M ]M [M ]M [M ]M", 0, "10 move 0,0 | 0 double M 0,0 | 10 click M 0,0");
        // Pointer paths.
        row("moves off", "m0,0 m50,0 m100,0 [L ]L", 0, "40 move 100,0 | 0 click L 100,0");
        row("moves on", "m0,0 m5,0 m50,0 m90,0 m100,0 [L ]L", 20,
            "10 move 0,0 | 20 move 50,0 | 20 move 100,0 | 10 click L 100,0");
        row("resting place", "m0,0 m30,0 +a -a", 100, "10 move 0,0 | 10 move 30,0 | 10 text a");
        row("within a double click", "m0,0 [L ]L m2,0 [L ]L", 5, "10 move 0,0 | 10 double L 0,0");
        // What a flow cannot hold.
        row("drag", "m0,0 [L m50,50 m0,0 ]L m50,50 [L m52,50 ]L", 0,
            "70 move 50,50 | 0 click L 50,50 | skip:drag=1");
        row("wheel and side", "w w [X ]X +Nameless -Nameless", 0,
            "skip:wheel=2 | skip:side=1 | skip:nameless=1");
        row("released, not pressed", "-a ]L +b -b", 0, "30 text b | skip:early=2");
    }
    void converts() {
        QFETCH(QString, events);
        QFETCH(int, moveInterval);
        FedRecorder recorder;
        recorder.setStopKey(KeyNames::virtualKeyForName("F9"));
        QSignalSpy stopped(&recorder, &InputRecorder::stopKeyPressed);
        recorder.start(nullptr);
        recorder.feed(events);
        RecordingOptions options;
        options.moveInterval = moveInterval;
        const QVector<RecordedEvent> recorded = recorder.takeEvents();
        const RecordingResult result = RecordingConverter(options).convert(recorded);
        QTEST(brief(result), "operations");
        QCOMPARE(RecordingConverter(options).countSteps(recorded), int(result.operations.size()));
        QCOMPARE(stopped.count(), events.count("+F9"));
    }
};

QTEST_GUILESS_MAIN(TestRecordingConverter)
#include "tst_recordingconverter.moc"
