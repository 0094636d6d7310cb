#include <QKeySequence>
#include <QtTest>
#include <memory>

#include "model/InputHelpers.h"
#include "model/KeyNames.h"
#include "model/RecordingConverter.h"
#include "platform/Platform.h"
#include "support/FedRecorder.h"
#include "support/OperationValues.h"
#include "support/RecordingInputBackend.h"

namespace {
// A word per batch: "17" a virtual key pressed, "17^" released, "'65" the UTF-16 unit
// 65 typed and released, "m2/4/0/0" the flags of a click's four mouse records, "@x,y"
// an absolute move; "?" for anything else.
QString words(const QVector<InputBatch>& batches) {
    QStringList out;
    for (const InputBatch& b : batches) {
        const InputRecord r = b.value(0);
        QStringList flags;
        for (const InputRecord& m : b)
            if (m == InputRecord::mouse(m.flags)) flags << QString::number(m.flags, 16);
        if (b == InputBatch{InputRecord::key(r.virtualKey, r.isKeyUp())})
            out << QString::number(r.virtualKey) + (r.isKeyUp() ? "^" : "");
        else if (b == InputBatch{InputRecord::character(r.scan, false),
                                 InputRecord::character(r.scan, true)})
            out << "'" + QString::number(r.scan);
        else if (b == InputBatch{InputRecord::mouse(0x8001, r.dx, r.dy)})
            out << QStringLiteral("@%1,%2").arg(r.dx).arg(r.dy);
        else
            out << (flags.size() == 4 && b.size() == 4 ? "m" + flags.join('/') : "?");
    }
    return out.join(' ');
}

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

// What each operation sends and how it describes itself, the key names behind keyboard
// operations, the factory's copies by type name, and what recorded input becomes.
class TestOperations : public QObject {
    Q_OBJECT
    RecordingInputBackend m_recorder;
    std::vector<std::unique_ptr<Operation>> m_prototypes =
        OperationValues::registerOwnedPrototypes();

private slots:
    void initTestCase() { Platform::setInput(&m_recorder); }
    void cleanupTestCase() { Platform::setInput(nullptr); }

    void sendsAndDescribes_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("text");
        auto row = [](const char* op, const char* sent, const char* text,
                      QSize screen = {1920, 1080}) {
            QTest::newRow(QByteArray(op).simplified())
                << QString(op) << screen << QString(sent) << QString(text);
        };
        // Shift 0x02000000, Ctrl 0x04000000, Alt 0x08000000, Win 0x10000000, keypad 0x20000000.
        row("key_input eventType=0 key=[tab] modifiers=0x0a000000", "16 18 9",
            "输入按键: 按下 Shift+Alt+tab");
        row("key_input eventType=1 key=[tab] modifiers=0x0a000000", "9^ 16^ 18^",
            "输入按键: 抬起 Shift+Alt+tab");
        // Modifiers go down and come up in the same order; the keypad bit is no key.
        row("key_input eventType=2 key=[z] modifiers=0x3e000000",
            "16 17 18 91 90 90^ 16^ 17^ 18^ 91^", "输入按键: 敲击 Shift+Ctrl+Alt+Win+z");
        row("key_input eventType=2 modifiers=0x04000000", "17 17^", "输入按键: 敲击 Ctrl");
        row("key_input", "", "输入按键: 按下 ");
        row("key_input eventType=2 key=[ ]", "0 0^", "输入按键: 敲击  ");  // blank, still sent
        row("key_input key=[%1] modifiers=0x08000000", "18 0", "输入按键: 按下 Alt+%1");
        row("key_input eventType=-1 key=[Q]", "", "输入按键: 敲击 Q");
        // A click never moves the pointer.
        row("mouse_click position=(-5,7)", "m2/4/0/0", "在屏幕坐标(X=-5, Y=7)处，单击鼠标左键");
        row("mouse_click clickType=1 clickButton=1", "m8/10/8/10",
            "在屏幕坐标(X=0, Y=0)处，双击鼠标右键");
        row("mouse_click clickButton=2", "m20/40/0/0", "在屏幕坐标(X=0, Y=0)处，单击鼠标中键");
        row("mouse_click clickType=2", "m0/0/0/0", "在屏幕坐标(X=0, Y=0)处，鼠标左键");
        row("mouse_click clickType=1 clickButton=3", "m0/0/0/0",
            "在屏幕坐标(X=0, Y=0)处，双击鼠标");
        row("mouse_move position=(1919,1079)", "@65500,65474",
            "将鼠标移动到屏幕坐标 (X=1919, Y=1079)");
        row("mouse_move position=(-100,-1)", "@-3413,-60", "将鼠标移动到屏幕坐标 (X=-100, Y=-1)");
        row("mouse_move position=(1600,1200)", "@131070,131070",
            "将鼠标移动到屏幕坐标 (X=1600, Y=1200)", {800, 600});
        row("mouse_move", "", "将鼠标移动到屏幕坐标 (X=0, Y=0)", {0, 1080});
        row("mouse_move interval=1", "", "将鼠标移动到屏幕坐标 (X=0, Y=0)", {1920, 0});
        row("text_input text=[%1 %2%]", "'37 '49 '32 '37 '50 '37", "输入文本: %1 %2%");
        row("text_input text=[中😀]", "'20013 '55357 '56832", "输入文本: 中😀");
        row("text_input text=[\r\n\t]", "'13 '10 '9", "输入文本: \r\n\t");
        row("text_input", "", "输入文本: ");
    }
    void sendsAndDescribes() {
        QFETCH(QString, operation);
        QFETCH(QSize, screen);
        QFETCH(QString, sent);
        QFETCH(QString, text);
        std::unique_ptr<Operation> op = OperationValues::make(operation);
        QVERIFY(op);
        QCOMPARE(op->description(), text);
        m_recorder.setScreenSize(screen);
        op->execute();
        QCOMPARE(words(m_recorder.batches()), sent);
        // A press leaves its keys down for a later release; nothing else stays held.
        QCOMPARE(m_recorder.hasHeldInput(),
                 op->typeName() == "key_input" && !sent.isEmpty() && !sent.contains('^'));
        m_recorder.releaseHeld();
        m_recorder.clear();
    }

    // The factory's copies of a prototype, by exact type name.
    void factoryMakesCopies_data() {
        QTest::addColumn<QString>("prototype");
        QTest::newRow("key") << "key_input interval=1234 eventType=2 key=[中] modifiers=0x14000000";
        QTest::newRow("click")
            << "mouse_click interval=-7 position=(-5,7) clickType=42 clickButton=2";
        QTest::newRow("move") << "mouse_move interval=0 position=(2147483647,-3)";
        QTest::newRow("text") << "text_input interval=99 text=[a😀b]";
    }
    void factoryMakesCopies() {
        QFETCH(QString, prototype);
        const QString type = prototype.section(' ', 0, 0);
        OperationFactory* factory = OperationFactory::instance();
        QPointer<Operation> previous = factory->prototypes().value(type);
        std::unique_ptr<Operation> model = OperationValues::make(prototype);
        factory->registerOperation(model.get());
        QVERIFY(previous && factory->prototypes().size() == 4);  // replaced, not deleted
        std::unique_ptr<Operation> made = factory->create(type);
        QVERIFY(made && made.get() != model.get() && !made->parent());
        QCOMPARE(OperationValues::describe(made.get()), prototype);
        QVERIFY(!factory->create(type.toUpper()) && !factory->create(type + ' '));
        factory->registerOperation(previous);
    }

    // The key text of a keyboard operation to the Windows virtual-key code it sends; stored
    // texts are usually not upper case and may have blanks around.
    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::newRow("upper case") << "PGDN" << 34;
        QTest::newRow("lower case, blanks around") << "\t pgdn\n" << 34;
        QTest::newRow("F1") << "F1" << 112;
        for (const char* none : {"", " ", "Num Lock", "F0", "F25", "F05", "NUM10", "AB", "Ａ"})
            QTest::addRow("no key: '%s'", none) << QString(none) << 0;
        QTest::newRow("null") << QString() << 0;
        // The key editor stores Qt's portable text of the pressed key.
        for (const auto& [key, code] : {std::pair{Qt::Key_Escape, 27},
                                        {Qt::Key_PageDown, 34},
                                        {Qt::Key_Insert, 45},
                                        {Qt::Key_Comma, 188},
                                        {Qt::Key_F24, 135}})
            QTest::addRow("Qt's %d", key)
                << QKeySequence(key).toString(QKeySequence::PortableText) << code;
    }
    void lookup() {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(int(KeyNames::virtualKeyForName(name)), code);
    }

    // Recorded keys are named so that the name looks up their own code again.
    void everyCodeHasAName() {
        for (quint16 code : KeyNames::table())
            QCOMPARE(KeyNames::virtualKeyForName(KeyNames::nameForVirtualKey(code)), code);
        QCOMPARE(KeyNames::nameForVirtualKey(0), QString());
    }

    void converts_data() {
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("moveInterval");
        QTest::addColumn<QString>("operations");
        const auto row = [](const char* name, const char* events, int moveInterval,
                            const char* operations) {
            QTest::newRow(name) << QString(events) << moveInterval << QString(operations);
        };
        row("tap", "@100 +Return -Return @130 +Tab -Tab", 0, "100 tap Return | 20 tap Tab");
        row("held over another key", "+Return +Tab -Tab -Return", 0,
            "10 press Return | 10 tap Tab | 10 release Return");
        row("repeating", "+Left +Left +Left -Left", 0, "10 press Left | 30 release Left");
        row("held at the stop", "+Shift +Tab", 0, "10 tap Shift+Tab");
        row("stop key unseen", "+a -a +F9 -F9 +b -b", 0, "10 text ab");
        // Modifiers held around keys become their modifiers; around clicks, rows of their own.
        row("Ctrl+A", "+Ctrl +a -a -Ctrl", 0, "10 tap Ctrl+A");
        row("modifier alone", "+Shift -Shift", 0, "10 tap Shift");
        row("Ctrl+click", "m5,6 +Ctrl +a -a [L ]L -Ctrl", 0,
            "20 press Ctrl | 10 tap A | 10 move 5,6 | 0 click L 5,6 | 10 release Ctrl");
        row("rolled over", "+Tab +Ctrl -Tab -Ctrl", 0,
            "10 press Tab | 10 tap Ctrl | 0 release Tab");
        row("text", "+Shift +H -H -Shift +i -i +Space -Space +Shift +! -! -Shift", 0,
            "10 text Hi !");
        row("overlapping keys", "+a +b -a -b +é -é", 0, "10 text abé");
        row("Ctrl in between", "+a -a +Ctrl +c -c -Ctrl +b -b", 0,
            "10 text a | 10 tap Ctrl+C | 10 text b");
        row("pause", "+a -a @1500 +b -b", 0, "10 text a | 1480 text b");
        row("double", "m10,10 [L ]L [L ]L", 0, "20 move 10,10 | 0 double L 10,10");
        row("slow", "m10,10 [L ]L @500 [L ]L", 0,
            "20 move 10,10 | 0 click L 10,10 | 470 click L 10,10");
        row("apart", "m10,10 [L ]L m30,10 [L ]L", 0,
            "20 move 10,10 | 0 click L 10,10 | 20 move 30,10 | 0 click L 30,10");
        row("two buttons", "[L ]L [R ]R", 0, "10 move 0,0 | 0 click L 0,0 | 10 click R 0,0");
        row("key between", "[R ]R +a -a [R ]R", 0,
            "10 move 0,0 | 0 click R 0,0 | 10 text a | 10 click R 0,0");
        row("triple", "[M ]M [M ]M [M ]M", 0, "10 move 0,0 | 0 double M 0,0 | 10 click M 0,0");
        row("moves off", "m0,0 m50,0 m100,0 [L ]L", 0, "40 move 100,0 | 0 click L 100,0");
        row("moves on", "m0,0 m5,0 m50,0 m90,0 m100,0 [L ]L", 20,
            "10 move 0,0 | 20 move 50,0 | 20 move 100,0 | 10 click L 100,0");
        row("resting place", "m0,0 m30,0 +a -a", 100, "10 move 0,0 | 10 move 30,0 | 10 text a");
        row("within a double click", "m0,0 [L ]L m2,0 [L ]L", 5, "10 move 0,0 | 10 double L 0,0");
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

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
