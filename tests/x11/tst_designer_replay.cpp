// The real programs on a real display: the designer started with a flow, F8 pressed
// with XTest, the flow's input arriving in another client, the window coming back and
// its path sent on close; rows passed through the system clipboard; a recording made with
// F9; and flowctl play replaying a file, or stopped by Ctrl+C.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

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
constexpr quint32 kF8 = 0xffc5, kF9 = 0xffc6, kShiftL = 0xffe1, kControlL = 0xffe3, kAltL = 0xffe9,
                  kEnd = 0xff57;

// Visible top-level windows whose name starts with `prefix`.
QStringList visibleWindows(const QString& prefix) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name",
                                        QStringLiteral("^") + QRegularExpression::escape(prefix)});
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
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &e);
    XSync(dpy, False);
    XCloseDisplay(dpy);
}

// Chinese typed through borrowed keycodes for some seconds.
QString longChineseText() {
    QString text;
    for (int i = 0; i < 3000; ++i) text += QChar(0x4e00 + i);
    return text;
}

QRect windowGeometry(unsigned long window) {
    Display* dpy = XOpenDisplay(nullptr);
    XWindowAttributes a{};
    XGetWindowAttributes(dpy, window, &a);
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(dpy, window, a.root, 0, 0, &x, &y, &child);
    XCloseDisplay(dpy);
    return QRect(x, y, a.width, a.height);
}

// The text of every operation of the file, one entry a row.
QStringList texts(const QString& path) {
    Flow flow;
    QStringList out;
    if (flow.load(path))
        for (const Operation* op : flow.operations()) out << op->property("text").toString();
    return out;
}
}  // namespace

class TestDesignerReplay : public QObject {
    Q_OBJECT
private:
    TestDesktop m_desktop;
    ClientProcess m_receiver;
    QRect m_field;
    QTemporaryDir m_home;

    // A flow file of operations written as text (support/OperationValues.h).
    QString writeFlow(const QString& name, const QStringList& operations) {
        Flow flow;
        for (const QString& op : operations) flow.appendOperation(OperationValues::make(op));
        const QString path = m_home.filePath(name);
        return flow.save(path) ? path : QString();
    }
    // Moves into the receiving field, clicks it, types `text`; each text of `before` the
    // same way first.
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
    // Presses `key` with `modifiers` and leaves them down, then types Chinese through
    // borrowed keycodes for some seconds.
    QString writeHoldingFlow(const QString& key, int modifiers) {
        return writeFlow("holding.flow",
                         {QStringLiteral("key_input interval=0 eventType=0 key=[%1] modifiers=%2")
                              .arg(key)
                              .arg(modifiers),
                          "text_input interval=0 text=[" + longChineseText() + ']'});
    }
    // Starts the designer on `path`; its window once shown, or 0.
    unsigned long startDesigner(QProcess& designer, const QString& path) {
        designer.setProcessEnvironment(isolatedEnvironment(m_home));
        designer.setWorkingDirectory(QFileInfo(QStringLiteral(FLOWSMITH_PATH)).path());
        designer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        designer.start(QStringLiteral(FLOWSMITH_PATH), {"-f", path});
        const QString title = QStringLiteral("Flowsmith - ") + path;
        if (!QTest::qWaitFor([&] { return visibleWindows(title).size() == 1; }, 10000)) return 0;
        QTest::qWait(300);
        return visibleWindows(title).first().toULong();
    }
    void startFlowctl(QProcess& play, const QStringList& arguments) {
        play.setProcessEnvironment(isolatedEnvironment(m_home));
        play.start(QStringLiteral(FLOWCTL_PATH), arguments);
    }
    void controlTap(quint32 sym) {
        m_desktop.key(kControlL, true);
        m_desktop.tap(sym);
        m_desktop.key(kControlL, false);
        m_desktop.sync();
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        OperationFactory::registerStandardOperations();
        QVERIFY(QFile::exists(QStringLiteral(FLOWSMITH_PATH)));
        QVERIFY(QFile::exists(QStringLiteral(FLOWCTL_PATH)));
        QVERIFY2(m_receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "200,300,600,60"}),
                 qPrintable(m_receiver.errorText()));
        const QList<QByteArray> r = m_receiver.readyFields();
        QVERIFY(r.size() >= 4);
        m_field = QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt());
    }
    void init() {
        m_receiver.send("clear");
        m_receiver.settle(100);
    }

    void f8HidesTheDesignerAndReplaysTheFlow() {
        const QString text = QStringLiteral("Flowsmith 你好 ok");
        const QString path = writeTypingFlow("designer.flow", text);
        QVERIFY(!path.isEmpty());

        QLocalServer server;
        QVERIFY(server.listen(m_home.filePath("DesignerOkNotifyServer217490")));
        QByteArray notified;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = server.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, this, [&, s] { notified += s->readAll(); });
        });

        QProcess designer;
        const unsigned long window = startDesigner(designer, path);
        QVERIFY(window);
        const QString title = QStringLiteral("Flowsmith - ") + path;

        m_desktop.tap(kF8);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title).isEmpty(), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), text, 5000);
        // About half a second after the last operation the window is back.
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title).size() == 1, 5000);

        askToClose(window);
        QVERIFY(designer.waitForFinished(5000));
        QCOMPARE(designer.exitCode(), 0);
        QTRY_COMPARE(notified, path.toUtf8());
    }

    // Rows go to another program as flowctl's JSON and come back from it; the table's keys
    // themselves are the offscreen window test's.
    void rowsPassThroughTheClipboard() {
        const QString path = writeFlow(
            "edit.flow", {"text_input text=[a]", "text_input text=[b]", "text_input text=[c]"});
        QProcess designer;
        const unsigned long window = startDesigner(designer, path);
        QVERIFY(window);
        // The receiver has the focus: give it to the designer and click its table below
        // the rows, then Ctrl+End and Space select the last row.
        m_desktop.setFocus(window);
        const QRect frame = windowGeometry(window);
        m_desktop.moveTo({frame.center().x(), frame.bottom() - 60});
        m_desktop.button(1, true);
        m_desktop.button(1, false);
        controlTap(kEnd);
        m_desktop.tap(' ');
        controlTap('c');
        QJsonArray copied;
        QTRY_VERIFY((m_receiver.send("clipboard"),
                     copied = QJsonDocument::fromJson(
                                  QByteArray::fromHex(m_receiver.waitForLine("clipboard ").mid(10)))
                                  .object()
                                  .value("operations")
                                  .toArray(),
                     !copied.isEmpty()));
        QCOMPARE(copied.at(0).toObject().value("text").toString(), QString("c"));
        m_receiver.send(
            "copy " +
            QByteArray(R"([{"type": "text_input", "interval": 5, "text": "外"}])").toHex());
        QVERIFY(!m_receiver.waitForLine("copied").isEmpty());
        controlTap('v');
        controlTap('s');
        QTRY_COMPARE(texts(path), QStringList({"a", "b", "c", "外"}));

        askToClose(window);
        QVERIFY(designer.waitForFinished(5000));
        QCOMPARE(designer.exitCode(), 0);
    }

    // F9 in the real designer records what xdotool does in another program, which gets
    // its input as usual; F9 again puts it at the end of the flow, without the F9, as one
    // step that one undo takes back.
    void f9RecordsIntoTheFlowAsOneUndoStep() {
        const QString path = writeTypingFlow("record.flow", QStringLiteral("x"));
        const QByteArray original = FlowBytes::readFile(path);
        QProcess designer;
        const unsigned long window = startDesigner(designer, path);
        QVERIFY(window);
        const QString title = QStringLiteral("Flowsmith - ") + path;
        m_desktop.tap(kF9);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title).isEmpty(), 3000);
        QTRY_COMPARE(visibleWindows(QStringLiteral("Flowsmith 正在录制")).size(), 1);
        const QString typed = QStringLiteral("Rec, ok!");
        const QPoint at = m_field.center();
        QCOMPARE(QProcess::execute("xdotool", {"mousemove", QString::number(at.x()),
                                               QString::number(at.y()), "click", "1"}),
                 0);
        QCOMPARE(QProcess::execute("xdotool", {"type", "--delay", "40", typed}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), typed, 3000);
        m_desktop.tap(kF9);
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title + " *").size() == 1, 3000);
        QVERIFY(visibleWindows(QStringLiteral("Flowsmith 正在录制")).isEmpty());

        // Saved once the window back on the screen has the keyboard again.
        m_desktop.setFocus(window);
        Flow flow;
        QTRY_VERIFY((controlTap('s'), flow.load(path) && flow.operationCount() == 6));
        QStringList recorded;
        for (int row = 3; row < 6; ++row)
            recorded << flow.operationAt(row)->typeName() + ' ' +
                            flow.operationAt(row)->property("text").toString();
        QCOMPARE(recorded, QStringList({"mouse_move ", "mouse_click ", "text_input " + typed}));
        QCOMPARE(flow.operationAt(3)->property("position").toPoint(), at);
        controlTap('z');
        controlTap('s');
        QTRY_COMPARE(FlowBytes::readFile(path), original);
        askToClose(window);
        QVERIFY(designer.waitForFinished(5000));
        QCOMPARE(designer.exitCode(), 0);
    }

    // Each pass clicks the field's middle, past the end of what earlier passes typed, and
    // longer than a double click after the last click, which would select their word.
    void flowctlPlayReplaysAFile_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("lastLine");
        QTest::addColumn<QString>("summary");
        const QString text = QStringLiteral("play: AZaz09 !@#~ 中文 😀");
        QTest::newRow("once") << text << QStringList() << QStringList() << text << "[3/3] "
                              << "done: 3 steps in";
        QTest::newRow("three passes")
            << "a,1!" << QStringList() << QStringList{"--repeat", "3"} << "a,1!a,1!a,1!"
            << "[pass 3/3] [3/3] "
            << "done: 9 steps (3 passes) in";
        QTest::newRow("from row 4, twice")
            << "c3" << QStringList{"no"} << QStringList{"--from", "4", "--repeat", "2"} << "c3c3"
            << "[pass 2/2] [6/6] "
            << "done: 6 steps (2 passes) in";
    }
    void flowctlPlayReplaysAFile() {
        QFETCH(QString, text);
        QFETCH(QStringList, before);
        QFETCH(QStringList, options);
        QFETCH(QString, lastLine);
        QFETCH(QString, summary);
        const QString path =
            writeTypingFlow("play.flow", text, options.isEmpty() ? 20 : 200, before);
        QProcess play;
        startFlowctl(play, QStringList{"play", path} + options);
        QVERIFY(play.waitForFinished(15000));
        const QString out = QString::fromUtf8(play.readAllStandardOutput());
        QVERIFY2(play.exitCode() == 0, qPrintable(out + play.readAllStandardError()));
        QVERIFY2(out.contains(lastLine + QStringLiteral("输入文本: ") + text + "\n" + summary),
                 qPrintable(out));
        QFETCH(QString, typed);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), typed, 3000);
    }

    // On an X server of its own that goes away mid-replay, flowctl says so and ends with
    // the status of a missing desktop, not Xlib's 1 (a file error's). A long text step
    // prints as one short line.
    void flowctlPlayWhenTheDisplayGoesAway() {
        QProcess xvfb;
        xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "640x480x24"});
        QVERIFY(xvfb.waitForReadyRead(10000));
        QProcessEnvironment env = isolatedEnvironment(m_home);
        env.insert("DISPLAY", ':' + QString::fromLatin1(xvfb.readAllStandardOutput()).trimmed());
        FlowBytes flow;  // a long text, then one the server does not live to see
        flow.header("", "", "", "", "", 2);
        for (int interval : {0, 3000})
            flow.str("text_input").ints({interval}).str(QStringLiteral("ab\n").repeated(400));
        const QString path = m_home.filePath("lost.flow");
        QVERIFY(FlowBytes::writeFile(path, flow.bytes()));
        QProcess play;
        play.setProcessEnvironment(env);
        play.start(QStringLiteral(FLOWCTL_PATH), {"play", path});
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

    // A run that holds modifiers down and has borrowed keycodes is stopped by F8 (which
    // then arrives as Ctrl+F8 or Shift+Alt+F8) or by a signal from outside: the keys
    // come back up and the keycodes get their empty mapping back.
    void stopsLeaveNoKeyDownAndTheKeymapAsBefore_data() {
        QTest::addColumn<bool>("designer");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("signal");  // 0: F8
        const int shift = Qt::ShiftModifier;
        QTest::newRow("designer, Ctrl, F8") << true << "CTRL" << 0 << 0;
        QTest::newRow("designer, Shift+Alt, F8") << true << "ALT" << shift << 0;
        QTest::newRow("designer, SIGTERM") << true << "CTRL" << 0 << int(SIGTERM);
        QTest::newRow("flowctl, Shift+Alt, F8") << false << "ALT" << shift << 0;
        QTest::newRow("flowctl, Ctrl+C") << false << "CTRL" << 0 << int(SIGINT);
        QTest::newRow("flowctl, SIGHUP") << false << "CTRL" << 0 << int(SIGHUP);
    }
    void stopsLeaveNoKeyDownAndTheKeymapAsBefore() {
        QFETCH(bool, designer);
        QFETCH(QString, key);
        QFETCH(int, modifiers);
        QFETCH(int, signal);
        const QList<quint32> held =
            modifiers ? QList<quint32>{kShiftL, kAltL} : QList<quint32>{kControlL};
        const QString path = writeHoldingFlow(key, modifiers);
        const QVector<quint32> keymap = m_desktop.keymap();
        QProcess program;
        unsigned long window = 0;
        if (designer) {
            QVERIFY((window = startDesigner(program, path)));
            m_desktop.tap(kF8);
        } else {
            startFlowctl(program, {"play", path});
        }
        const auto keysDown = [&] {
            return std::count_if(held.begin(), held.end(),
                                 [&](quint32 k) { return m_desktop.isKeyDown(k); });
        };
        QTRY_VERIFY_WITH_TIMEOUT(keysDown() == held.size() && m_desktop.keymap() != keymap, 5000);
        if (signal)
            ::kill(pid_t(program.processId()), signal);
        else
            m_desktop.tap(kF8);
        if (designer && !signal) {
            QTRY_VERIFY_WITH_TIMEOUT(visibleWindows("Flowsmith - " + path).size() == 1, 3000);
            askToClose(window);
        }
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), designer ? 0 : 130);
        QCOMPARE(keysDown(), 0);
        QCOMPARE(m_desktop.keymap(), keymap);
    }

    // A kill -9 leaves borrowed keycodes bound; the next start gives back those still
    // bound as they were left, not one another program has bound since.
    void keycodesOfAKilledRunComeBackAtTheNextStart() {
        const QString path = writeTypingFlow("killed.flow", longChineseText(), 0);
        const QVector<quint32> keymap = m_desktop.keymap();
        QProcess killed;
        startFlowctl(killed, {"play", path});
        QTRY_VERIFY_WITH_TIMEOUT(m_desktop.keymap() != keymap, 5000);
        killed.kill();
        QVERIFY(killed.waitForFinished(5000));
        QVector<quint32> left = m_desktop.keymap();
        int takenOver = 0;
        while (takenOver < left.size() && left[takenOver] == keymap.value(takenOver)) ++takenOver;
        QVERIFY(takenOver < left.size());
        m_desktop.bindKeycode(takenOver, 0xdf);  // another program's ß now

        Flow empty;
        QVERIFY(empty.save(m_home.filePath("empty.flow")));
        QProcess next;
        startFlowctl(next, {"play", m_home.filePath("empty.flow")});
        QVERIFY(next.waitForFinished(5000));
        QCOMPARE(next.exitCode(), 0);
        QVector<quint32> after = m_desktop.keymap();
        QCOMPARE(after.value(takenOver), 0xdfu);
        m_desktop.bindKeycode(takenOver, 0);
        after[takenOver] = 0;
        QCOMPARE(after, keymap);
    }
};

QTEST_GUILESS_MAIN(TestDesignerReplay)
#include "tst_designer_replay.moc"
