// The designer and flowctl on a real display, typing into and recording another client, and
// every way of stopping a run leaving no key down and the keymap as it was.
#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>
#include <algorithm>

#include "model/Flow.h"
#include "model/OperationFactory.h"
#include "support/ClientProcess.h"
#include "support/FlowBytes.h"
#include "support/IsolatedEnvironment.h"
#include "support/OperationValues.h"
#include "support/TestDesktop.h"

// Xlib last: its macros (Bool, Status, ...) clash with Qt's headers.
#include <X11/Xlib.h>
#include <signal.h>

namespace {
constexpr quint32 kF8 = 0xffc5, kF9 = 0xffc6, kControlL = 0xffe3;
const QString kRecording = QStringLiteral("Flowsmith 正在录制");

// Chinese typed through borrowed keycodes for some seconds.
QString longChineseText() {
    QString text;
    for (int i = 0; i < 3000; ++i) text += QChar(0x4e00 + i);
    return text;
}

QStringList visibleWindows(const QString& prefix) {
    QProcess p;
    p.start("xdotool",
            {"search", "--onlyvisible", "--name", '^' + QRegularExpression::escape(prefix)});
    p.waitForFinished(5000);
    return QString::fromLatin1(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// What a window manager sends when the user clicks the close button.
void askToClose(unsigned long window) {
    Display* dpy = XOpenDisplay(nullptr);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    XSendEvent(dpy, window, False, NoEventMask, &e);
    XCloseDisplay(dpy);
}

}  // namespace

class TestDesignerReplay : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;
    ClientProcess m_receiver;
    const QRect m_field{200, 300, 600, 60};  // the receiver's --area
    QTemporaryDir m_home;

    // A flow file of operations written as text (support/OperationValues.h).
    QString writeFlow(const QString& name, const QStringList& operations) {
        Flow flow;
        for (const QString& op : operations) flow.appendOperation(OperationValues::make(op));
        const QString path = m_home.filePath(name);
        return flow.save(path) ? path : QString();
    }
    // Moves into the receiving field, clicks it, types each text of `before`, then `text`.
    QString writeTypingFlow(const QString& name, const QString& text, int interval = 30,
                            const QStringList& before = {}) {
        const QString i = QStringLiteral("interval=%1 ").arg(interval);
        const QString move = QStringLiteral("mouse_move position=(%1,%2) ")
                                 .arg(m_field.center().x())
                                 .arg(m_field.center().y());
        QStringList operations;
        for (const QString& t : before + QStringList{text})
            operations << move + i << "mouse_click " + i << "text_input " + i + "text=[" + t + ']';
        return writeFlow(name, operations);
    }
    // Starts the designer on `path`; its window once shown, or 0.
    unsigned long startDesigner(QProcess& designer, const QString& path) {
        designer.setProcessEnvironment(isolatedEnvironment(m_home));
        designer.setWorkingDirectory(QFileInfo(QStringLiteral(FLOWSMITH_PATH)).path());
        designer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        designer.start(QStringLiteral(FLOWSMITH_PATH), {"-f", path});
        QStringList shown;
        if (!QTest::qWaitFor(
                [&] { return (shown = visibleWindows("Flowsmith - " + path)).size() == 1; }, 10000))
            return 0;
        QTest::qWait(300);
        return shown.value(0).toULong();
    }
    void startFlowctl(QProcess& play, const QStringList& arguments, const QString& display = {}) {
        QProcessEnvironment env = isolatedEnvironment(m_home);
        if (!display.isEmpty()) env.insert("DISPLAY", display);
        play.setProcessEnvironment(env);
        play.start(QStringLiteral(FLOWCTL_PATH), arguments);
    }
    void ctrlTap(char key) {
        m_desktop.key(kControlL, true);
        m_desktop.tap(quint32(key));
        m_desktop.key(kControlL, false);
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        OperationFactory::registerStandardOperations();
        QVERIFY2(m_receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "200,300,600,60"}),
                 qPrintable(m_receiver.errorText()));
    }
    void init() {
        m_receiver.send("clear");
        QVERIFY(!m_receiver.waitForLine("cleared").isEmpty());  // and skips earlier lines
    }

    // Each pass clicks the field's middle, past what earlier passes typed, and later than a
    // double click after the last click, which would select their word.
    void flowctlPlayReplaysAFile_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("output");  // the end of what flowctl prints
        QTest::newRow("once") << ""
                              << "[3/3] 输入文本: %1\ndone: 3 steps in";
        QTest::newRow("from row 4, twice")
            << "--from 4 --repeat 2"
            << "[pass 2/2] [6/6] 输入文本: %1\ndone: 6 steps (2 passes) in";
    }
    void flowctlPlayReplaysAFile() {
        QFETCH(QString, options);
        QFETCH(QString, output);
        const QString text = QStringLiteral("play: AZaz09 !@#~ 中文 😀");
        const bool twice = !options.isEmpty();
        // From row 4 the first text, "no", is left out.
        const QString path = writeTypingFlow("play.flow", text, twice ? 200 : 20,
                                             twice ? QStringList{"no"} : QStringList());
        QProcess play;
        startFlowctl(play, QStringList{"play", path} + options.split(' ', Qt::SkipEmptyParts));
        QVERIFY(play.waitForFinished(15000));
        const QString out = QString::fromUtf8(play.readAllStandardOutput());
        QVERIFY2(play.exitCode() == 0 && out.contains(output.arg(text)),
                 qPrintable(out + play.readAllStandardError()));
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), twice ? text + text : text, 5000);
    }

    // On an X server that goes away mid-replay flowctl says so and exits with the status of a
    // missing desktop, not Xlib's 1 (a file error's). A long text step prints as one short line.
    void flowctlPlayWhenTheDisplayGoesAway() {
        QProcess xvfb;
        xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
        QVERIFY(xvfb.waitForReadyRead(10000));
        const QString text = "text=[" + QStringLiteral("ab\n").repeated(400) + ']';
        const QString path = writeFlow(
            "lost.flow", {"text_input interval=0 " + text, "text_input interval=3000 " + text});
        QProcess play;
        startFlowctl(play, {"play", path},
                     ':' + QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed());
        QString out;
        QTRY_VERIFY_WITH_TIMEOUT((out += play.readAllStandardOutput()).contains("[2/2]"), 10000);
        xvfb.kill();
        xvfb.waitForFinished();
        QVERIFY(play.waitForFinished(10000));
        QCOMPARE(play.exitCode(), 3);
        QVERIFY(play.readAllStandardError().contains("lost the connection to the X display"));
        const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() == 3 && lines[1].startsWith("[1/2] 输入文本: ab\\nab\\n") &&
                     lines[1].endsWith(" more characters)") && lines[1].size() < 250,
                 qPrintable(out));
    }

    // The designer (F9 to start and stop) and flowctl record what xdotool does in another
    // program, which gets its input as usual, with the pauses the user made. The designer
    // puts it at the end of the flow, without the F9, as one step that one undo takes back.
    void recordsWhatAnotherProgramGets_data() {
        QTest::addColumn<bool>("designer");
        QTest::addColumn<int>("signal");  // 0: stopped with F9
        QTest::newRow("designer") << true << 0;
        QTest::newRow("flowctl, F9") << false << 0;
        QTest::newRow("flowctl, Ctrl+C") << false << int(SIGINT);
    }
    void recordsWhatAnotherProgramGets() {
        QFETCH(bool, designer);
        QFETCH(int, signal);
        const QString path = designer ? writeTypingFlow("record.flow", QStringLiteral("x"))
                                      : m_home.filePath("recorded.flow");
        const QByteArray original = FlowBytes::readFile(path);
        m_desktop.moveTo({0, 0});  // away from the field, so that the move there is recorded
        QProcess program;
        unsigned long window = 0;
        if (designer) {
            QVERIFY((window = startDesigner(program, path)));
            m_desktop.tap(kF9);
            QTRY_VERIFY_WITH_TIMEOUT(visibleWindows("Flowsmith - " + path).isEmpty(), 10000);
            QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(kRecording).size(), 1, 10000);
        } else {
            startFlowctl(program, {"record", path});
            QVERIFY(program.waitForReadyRead(10000));
            QVERIFY(program.readLine().startsWith("recording into"));
        }
        const QString text = QStringLiteral("Ok; (done) [x] {y} <z> ~`!@#$%^&*_-|\\/\"'");
        const QPoint a = m_field.topLeft() + QPoint(40, 30), b = a + QPoint(300, 5);
        // One xdotool per action: "type" takes every argument after it as text.
        const QList<QStringList> actions{
            {"mousemove", QString::number(a.x()), QString::number(a.y()), "click", "1"},
            {"type", "--delay", "40", text},
            {"key", "ctrl+a"},
            {"key", "shift+Tab"},
            {"mousemove", QString::number(b.x()), QString::number(b.y()), "click", "--repeat", "2",
             "--delay", "80", "1"},
            {"click", "3"}};
        for (const QStringList& action : actions) {
            QCOMPARE(QProcess::execute("xdotool", action), 0);
            QTest::qWait(300);
        }
        signal ? void(::kill(pid_t(program.processId()), signal)) : m_desktop.tap(kF9);
        QCOMPARE(m_receiver.fieldText(), text);
        Flow flow;
        if (designer) {
            QTRY_VERIFY_WITH_TIMEOUT(visibleWindows("Flowsmith - " + path + " *").size() == 1,
                                     10000);
            QVERIFY(visibleWindows(kRecording).isEmpty());
            // Saved once the window back on the screen has the keyboard again.
            m_desktop.setFocus(window);
            QTRY_VERIFY_WITH_TIMEOUT((ctrlTap('s'), flow.load(path)) && flow.operationCount() > 3,
                                     10000);
        } else {
            QVERIFY(program.state() == QProcess::NotRunning || program.waitForFinished(10000));
            const QString summary = QString::fromUtf8(program.readAllStandardOutput());
            QVERIFY2(program.exitCode() == 0 && (signal || summary.contains("stopped with F9")),
                     qPrintable(summary + program.readAllStandardError()));
            QVERIFY(flow.load(path));
        }
        const int first = designer ? 3 : 0;
        const QString click = QStringLiteral("mouse_click clickType=%1 clickButton=%2");
        static const QRegularExpression variable(" (interval|position)=\\S+");
        QStringList recorded;
        for (const Operation* op : flow.operations())
            recorded << OperationValues::describe(op).remove(variable);
        QCOMPARE(recorded.mid(first).join(", "),
                 QStringList({"mouse_move", click.arg(0).arg(0), "text_input text=[" + text + ']',
                              "key_input eventType=2 key=[A] modifiers=0x4000000",
                              "key_input eventType=2 key=[Tab] modifiers=0x2000000", "mouse_move",
                              click.arg(1).arg(0), click.arg(0).arg(1)})
                     .join(", "));
        QCOMPARE(flow.operationAt(first)->property("position").toPoint(), a);
        // The 300 ms after the first click, and xdotool starting again.
        const int pause = flow.operationAt(first + 2)->interval();
        QVERIFY2(pause >= 300 && pause < 3000, qPrintable(QString::number(pause)));
        if (!designer) return;
        ctrlTap('z');
        ctrlTap('s');
        QTRY_COMPARE(FlowBytes::readFile(path), original);
        askToClose(window);
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitCode(), 0);
    }

    // A run holding modifiers and borrowed keycodes is stopped by F8 (arriving as Ctrl+F8 or
    // Shift+Alt+F8) or by a signal: the keys come back up, the keycodes get their empty
    // mapping back, and the designer, closed, tells the program that launched it the path.
    void stopsLeaveNoKeyDownAndTheKeymapAsBefore_data() {
        QTest::addColumn<bool>("designer");
        QTest::addColumn<bool>("alt");    // Shift+Alt, else Ctrl
        QTest::addColumn<int>("signal");  // 0: F8
        QTest::newRow("designer, Ctrl, F8") << true << false << 0;
        QTest::newRow("designer, Shift+Alt, F8") << true << true << 0;
        QTest::newRow("designer, SIGTERM") << true << false << int(SIGTERM);
        QTest::newRow("flowctl, Shift+Alt, F8") << false << true << 0;
        QTest::newRow("flowctl, Ctrl+C") << false << false << int(SIGINT);
    }
    void stopsLeaveNoKeyDownAndTheKeymapAsBefore() {
        QFETCH(bool, designer);
        QFETCH(bool, alt);
        QFETCH(int, signal);
        const unsigned held = alt ? ShiftMask | Mod1Mask : ControlMask;
        const QString path =
            writeFlow("holding.flow",
                      {QStringLiteral("key_input interval=0 eventType=0 key=[%1] modifiers=%2")
                           .arg(alt ? "ALT" : "CTRL")
                           .arg(alt ? int(Qt::ShiftModifier) : 0),
                       "text_input interval=0 text=[" + longChineseText() + ']'});
        QLocalServer server;
        QVERIFY(server.listen(m_home.filePath("DesignerOkNotifyServer217490")));
        QByteArray notified;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = server.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, this, [&, s] { notified += s->readAll(); });
        });
        const QVector<quint32> keymap = m_desktop.keymap();
        QProcess program;
        unsigned long window = 0;
        if (designer) {
            QVERIFY((window = startDesigner(program, path)));
            m_desktop.tap(kF8);
        } else {
            startFlowctl(program, {"play", path});
        }
        const auto modifiersDown = [&] {
            return m_desktop.modifierState() & (ShiftMask | ControlMask | Mod1Mask);
        };
        QTRY_VERIFY_WITH_TIMEOUT(modifiersDown() == held && m_desktop.keymap() != keymap, 5000);
        signal ? void(::kill(pid_t(program.processId()), signal)) : m_desktop.tap(kF8);
        if (designer && !signal) {
            QTRY_VERIFY_WITH_TIMEOUT(visibleWindows("Flowsmith - " + path).size() == 1, 3000);
            askToClose(window);
        }
        QVERIFY(program.waitForFinished(5000));
        if (designer) QTRY_COMPARE(notified, path.toUtf8());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), designer ? 0 : 130);
        QCOMPARE(modifiersDown(), 0u);
        QCOMPARE(m_desktop.keymap(), keymap);
    }

    // A kill -9 leaves borrowed keycodes bound; the next start gives back those still
    // bound as they were left, not one another program has bound since.
    void keycodesOfAKilledRunComeBackAtTheNextStart() {
        QVector<quint32> keymap = m_desktop.keymap();
        QProcess killed;
        startFlowctl(killed, {"play", writeTypingFlow("killed.flow", longChineseText(), 0)});
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.keymap() != keymap, 5000);
        killed.kill();
        QVERIFY(killed.waitForFinished(5000));
        const QVector<quint32> left = m_desktop.keymap();
        const int takenOver =
            int(std::mismatch(left.begin(), left.end(), keymap.begin()).first - left.begin());
        QVERIFY(takenOver < left.size());
        m_desktop.bindKeycode(takenOver, 0xdf);  // another program's ß now
        keymap[takenOver] = 0xdf;
        QProcess next;
        startFlowctl(next, {"play", writeFlow("empty.flow", {})});
        QVERIFY(next.waitForFinished(5000));
        const QVector<quint32> after = m_desktop.keymap();
        m_desktop.bindKeycode(takenOver, 0);
        QCOMPARE(next.exitCode(), 0);
        QCOMPARE(after, keymap);
    }
};

QTEST_GUILESS_MAIN(TestDesignerReplay)
#include "tst_designer_replay.moc"
