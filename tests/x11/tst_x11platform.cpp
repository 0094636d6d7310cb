// The X11 platform on a real X server: operations replayed into a real X client (a text
// field), the global button watch, global hotkeys grabbed on the root window, keeping the
// desktop awake against the X screen saver, and the raised timer resolution.
#include <sys/prctl.h>

#include <QtTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "model/TextInputOperation.h"
#include "platform/ButtonWatch.h"
#include "platform/GlobalHotkey.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"
#include "platform/TimerResolution.h"
#include "support/ClientProcess.h"
#include "support/OperationValues.h"
#include "support/TestDesktop.h"

// After the Qt headers: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {
// Any text, brackets too, which an operation written as text cannot hold.
void typeText(const QString& text) {
    TextInputOperation op;
    op.setText(text);
    op.execute();
}
void run(const QString& operation) {
    OperationValues::make(operation)->execute();
}
constexpr quint32 kF8 = 0xffc5;

// Whether the screen saver came on after two seconds of no input. The saver's own
// timeout is shortened for the check and put back afterwards.
bool saverComesOn() {
    Display* dpy = XOpenDisplay(nullptr);
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(dpy, &timeout, &interval, &blanking, &exposures);
    XSetScreenSaver(dpy, 1, interval, blanking, exposures);
    XResetScreenSaver(dpy);
    XSync(dpy, False);
    QTest::qWait(2200);
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    XScreenSaverQueryInfo(dpy, DefaultRootWindow(dpy), info);
    const bool on = info->state == ScreenSaverOn;
    XFree(info);
    XSetScreenSaver(dpy, timeout, interval, blanking, exposures);
    XResetScreenSaver(dpy);
    XCloseDisplay(dpy);
    return on;
}
}  // namespace

class TestX11Platform : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;
    ClientProcess m_receiver;
    const QRect m_field{40, 40, 600, 60};  // the receiver's --area
    unsigned long m_window = 0;

    QStringList m_watched;  // "BUTTON X Y" of each press the button watch reported

    QByteArray nextKey() { return m_receiver.waitForLine("key ", 3000).split(' ').value(1); }
    // Clicks X button `button` at `at`; the presses the watch reported meanwhile.
    QString watchedClick(int button, const QPoint& at) {
        m_watched.clear();
        m_desktop.moveTo(at);
        m_desktop.button(button, true);
        m_desktop.button(button, false);
        (void)QTest::qWaitFor([&] { return !m_watched.isEmpty(); }, 1500);
        QTest::qWait(100);
        return m_watched.join(',');
    }

    // Keys by their X names: "F8" taps F8, "+Shift_L" presses Shift, "-Shift_L" releases
    // it, "F8/1200" holds F8 for 1200 ms.
    void play(const QString& steps) {
        for (const QString& step : steps.split(' ')) {
            const bool down = step.startsWith('+'), up = step.startsWith('-');
            const QString name = step.mid(down || up ? 1 : 0).section('/', 0, 0);
            const quint32 keysym = quint32(XStringToKeysym(qPrintable(name)));
            if (!up) m_desktop.key(keysym, true);
            QTest::qWait(step.section('/', 1).toInt());
            if (!down) m_desktop.key(keysym, false);
        }
    }
    // How often hotkey fired: at least `expected` times, waiting up to 3 s, then a moment more.
    static int fired(QSignalSpy& spy, int expected) {
        (void)QTest::qWaitFor([&] { return spy.count() >= expected; }, 3000);
        QTest::qWait(100);
        return spy.count();
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QCOMPARE(Platform::unavailableReason(), QString());
        connect(&Platform::buttonWatch(), &ButtonWatch::buttonPressed, this,
                [this](Qt::MouseButton b, const QPoint& p) {
                    m_watched << QStringLiteral("%1 %2 %3").arg(b).arg(p.x()).arg(p.y());
                });
        QVERIFY2(m_receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "40,40,600,60"}),
                 qPrintable(m_receiver.errorText()));
        QVERIFY((m_window = m_receiver.readyFields().value(4).toULong()));
    }
    void init() {
        m_desktop.setFocus(m_window);
        m_receiver.send("clear");
        QVERIFY(!m_receiver.waitForLine("cleared").isEmpty());  // and skips earlier lines
    }

    void typesText_data() {
        QTest::addColumn<QString>("text");
        QString printable;
        for (char16_t c = 0x20; c < 0x7f; ++c) printable.append(QChar(c));
        QTest::newRow("every printable ASCII character") << printable;
        QTest::newRow("Chinese, with repeats")
            << QStringLiteral("自动化输入测试，你好世界。中中文文中文");
        // More distinct characters than there are spare keycodes, so keycodes are
        // bound anew while the client may still be reading earlier mappings.
        QString many;
        for (int step : {1, 37, 53, 71, 89})
            for (int i = 0; i < 97; ++i) many.append(QChar(0x4e00 + i * step % 97));
        QTest::newRow("more characters than spare keycodes") << many;
        QTest::newRow("Latin-1, beyond and outside the BMP")
            << QStringLiteral("café ßü € ñ Ω a😀b𠀀c🎉 1中2文3😀4!");
    }
    void typesText() {
        QFETCH(QString, text);
        const QVector<quint32> keymap = m_desktop.keymap();
        typeText(text);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), text, 5000);
        // The keycodes borrowed for characters the keymap lacks are given back after a pause.
        QTRY_COMPARE_WITH_TIMEOUT(m_desktop.keymap(), keymap, 3000);
    }

    // The modifier is turned on and off by an operation of ours, or by another program.
    void typesExactlyWhileAModifierIsOn_data() {
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::addColumn<uint>("mask");
        const QString op = QStringLiteral("key_input eventType=%1 key=[%2]");
        QTest::newRow("Caps Lock on")
            << op.arg(2).arg("CAPSLOCK") << op.arg(2).arg("CAPSLOCK") << uint(LockMask);
        QTest::newRow("Shift held")
            << op.arg(0).arg("SHIFT") << op.arg(1).arg("SHIFT") << uint(ShiftMask);
        QTest::newRow("Shift held by another program") << "+Shift_L"
                                                       << "-Shift_L" << uint(ShiftMask);
    }
    void typesExactlyWhileAModifierIsOn() {
        QFETCH(QString, on);
        QFETCH(QString, off);
        QFETCH(uint, mask);
        const bool ours = on.startsWith("key_input");
        ours ? run(on) : play(on);
        const bool wasOn = m_desktop.modifierState() & mask;
        const QString text = QStringLiteral("aB1!xY;中");
        typeText(text);
        // The flow's own state is kept; another program's Shift is lifted for the
        // unshifted characters and never pressed again by us.
        const bool stillOn = m_desktop.modifierState() & mask;
        ours ? run(off) : play(off);
        QVERIFY(wasOn);
        QCOMPARE(stillOn, ours);
        QVERIFY(!(m_desktop.modifierState() & mask));
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), text, 5000);
    }

    void keysPressTheirKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("keysyms");  // the presses the client sees, in hexadecimal
        // KEY=KEYSYMS; keypad digits mean the digit, also with Num Lock off.
        const QString rows =
            "F12=ffc9, ENTER=ff0d, TAB=ff09, ESC=ff1b, SPACE=20, BACKSPACE=ff08, PGDN=ff56, "
            "DEL=ffff, Z=7a, 7=37, ;=3b, '=27, RCTRL=ffe4, NUMPADSTAR=ffaa, WIN=ffeb, "
            "VOLUMEUP=1008ff13, CTRL+A=ffe3 61, NO SUCH KEY=, NUM0=ffb0, NUMPADDOT=ffae";
        for (const QString& row : rows.split(", "))
            QTest::newRow(qPrintable(row)) << row.section('=', 0, 0) << row.section('=', 1);
    }

    void keysPressTheirKey() {
        QFETCH(QString, key);
        QFETCH(QString, keysyms);
        const bool ctrl = key.startsWith("CTRL+");
        run(QStringLiteral("key_input eventType=2 key=[%1] modifiers=%2")
                .arg(key.mid(ctrl ? 5 : 0))
                .arg(ctrl ? int(Qt::ControlModifier) : 0));
        run("key_input eventType=2 key=[Q]");  // a marker: nothing but the key may come before it
        for (const QString& keysym : keysyms.split(' ', Qt::SkipEmptyParts)) {
            QCOMPARE(nextKey(), keysym.toLatin1());
            QVERIFY(!m_desktop.isKeyDown(keysym.toUInt(nullptr, 16)));
        }
        QCOMPARE(nextKey(), QByteArray("71"));
    }

    // Button and click type -> what the field got, at the point moved to.
    void clicksAtThePointMovedTo_data() {
        QTest::addColumn<QString>("click");
        QTest::addColumn<QPoint>("offset");  // from the field's top left
        QTest::newRow("left") << "0 0 -> press 1 @" << QPoint(3, 2);
        QTest::newRow("right") << "1 0 -> press 2 @" << QPoint(590, 20);
        QTest::newRow("middle") << "2 0 -> press 4 @" << QPoint(301, 11);
        QTest::newRow("double left") << "0 1 -> press 1 @, double 1 @" << QPoint(150, 15);
        QTest::newRow("unknown button clicks nothing") << "3 0 -> " << QPoint(200, 10);
    }
    void clicksAtThePointMovedTo() {
        QFETCH(QString, click);
        QFETCH(QPoint, offset);
        const QPoint p = m_field.topLeft() + offset;
        run(QStringLiteral("mouse_move position=(%1,%2)").arg(p.x()).arg(p.y()));
        run(QStringLiteral("mouse_click clickButton=%1 clickType=%2")
                .arg(click.section(' ', 0, 0), click.section(' ', 1, 1)));
        QStringList got;
        for (const QByteArray& line : m_receiver.takeLines(300))
            if (line.startsWith("press") || line.startsWith("double")) got << line;
        QCOMPARE(got.join(", "), click.section(" -> ", 1).replace(
                                     '@', QStringLiteral("%1 %2").arg(p.x()).arg(p.y())));
    }

    // Left and right presses anywhere while installed, with the pointer position.
    void buttonWatchReportsPressesWhileInstalled() {
        ButtonWatch& watch = Platform::buttonWatch();
        const QPoint p = m_field.topLeft() + QPoint(21, 34), outside(600, 500);
        QStringList got{watchedClick(1, outside)};
        QString error;
        QVERIFY2(watch.install(&error), qPrintable(error));
        // A second install is refused and leaves the first one in place.
        QVERIFY(!watch.install(&error) && !error.isEmpty() && watch.isInstalled());
        for (int button : {1, 3, 2, 4}) got << watchedClick(button, p);  // middle and wheel: none
        const QString at = QStringLiteral(" %1 %2").arg(p.x()).arg(p.y());
        // Watching takes nothing from the window under the pointer.
        QVERIFY(!m_receiver.waitForLine("press 1" + at.toLatin1()).isEmpty());
        watch.remove();
        got << watchedClick(1, outside);
        QVERIFY(!watch.isInstalled() && watch.install(nullptr));  // and again afterwards
        got << watchedClick(3, outside);
        watch.remove();
        QCOMPARE(got, QStringList({"", "1" + at, "2" + at, "", "", "", "2 600 500"}));
    }
    // Each press fires once, whatever lock is on and however long the key is held (its
    // auto-repeat does not count); the modifiers must be those of the shortcut, unless
    // the hotkey is set to any modifiers, as the stop key of a replay holding them down.
    void pressesFire_data() {
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<bool>("anyModifiers");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("count");
        QTest::newRow("no lock") << "F8" << false << "F8 F8" << 2;
        QTest::newRow("Caps Lock on") << "F8" << false << "Caps_Lock F8 F8 Caps_Lock" << 2;
        QTest::newRow("Num Lock on") << "F8" << false << "Num_Lock F8 F8 Num_Lock" << 2;
        QTest::newRow("both locks on")
            << "F8" << false << "Caps_Lock Num_Lock F8 F8 Caps_Lock Num_Lock" << 2;
        QTest::newRow("held") << "F8" << false << "F8/1200 F8" << 2;
        QTest::newRow("modifiers must match")
            << "Ctrl+Shift+F9" << false << "F9 +Control_L F9 +Shift_L F9 -Shift_L -Control_L" << 1;
        QTest::newRow("any modifiers")
            << "F8" << true
            << "Caps_Lock Num_Lock +ISO_Level3_Shift +Super_L +Shift_L F8 -ISO_Level3_Shift "
               "-Super_L -Shift_L Caps_Lock Num_Lock"
            << 1;
    }
    void pressesFire() {
        QFETCH(QString, shortcut);
        QFETCH(bool, anyModifiers);
        QFETCH(QString, steps);
        // Another program holds one combination, which any modifiers must skip.
        TestDesktop other;
        QCOMPARE(other.grabKey(kF8, ControlMask | LockMask), 0);
        GlobalHotkey hotkey(QKeySequence(shortcut), true);
        QVERIFY(hotkey.isRegistered() && hotkey.setAnyModifiers(anyModifiers));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        play(steps);
        QTEST(fired(spy, 2), "count");
        if (!anyModifiers) return;
        // Given back when the setting is cleared.
        QVERIFY(hotkey.setAnyModifiers(false) && hotkey.isRegistered());
        QCOMPARE(other.grabKey(kF8, ControlMask), 0);
        play("+Shift_L F8 -Shift_L F8");
        QCOMPARE(fired(spy, 2), 2);
    }

    // A key another program has grabbed is refused until it lets go; two hotkeys on one
    // key both fire, and dropping one keeps the grab for the other.
    void sharedKeys() {
        auto other = std::make_unique<TestDesktop>();
        auto first = std::make_unique<GlobalHotkey>(QKeySequence(Qt::Key_F8), true);
        QVERIFY(first->isRegistered());
        QCOMPARE(other->grabKey(kF8, 0), 10);  // BadAccess
        QVERIFY(first->setRegistered(false));
        QCOMPARE(other->grabKey(kF8, 0), 0);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("F8 not registered.*another program"));
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(!hotkey.isRegistered());
        other.reset();
        QVERIFY(hotkey.setRegistered(true) && first->setRegistered(true));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        QSignalSpy firstSpy(first.get(), &GlobalHotkey::activated);
        play("F8");
        QCOMPARE(fired(spy, 1) + fired(firstSpy, 1), 2);
        first.reset();
        play("F8");
        QCOMPARE(fired(spy, 2), 2);
    }

    void keepAwakeSuspendsTheScreenSaver() {
        KeepAwake& awake = Platform::keepAwake();
        awake.request();
        awake.request();  // nested: the inner release must not end the suspension
        awake.release();
        QVERIFY(!saverComesOn());
        awake.release();
        awake.release();  // one release too many changes nothing
        QVERIFY(saverComesOn());
    }

    // Raised, the resolution ends 1 ms sleeps within microseconds, not up to the default 50 µs
    // slack late. Rounds with and without alternate, so a busy machine delays both alike.
    void raisedResolutionEndsSleepsOnTime() {
        using namespace std::chrono;
        std::vector<double> late[2];  // µs past each 1 ms sleep: [0] as by default, [1] raised
        std::thread([&] {
            prctl(PR_SET_TIMERSLACK, 50000UL, 0, 0, 0);  // the kernel's default
            for (int round = 0; round < 40; ++round) {
                const int raised = round % 2;
                if (raised) Platform::timerResolution().begin();
                for (int i = 0; i < 10; ++i) {
                    const auto start = steady_clock::now();
                    std::this_thread::sleep_for(1ms);
                    late[raised].push_back(
                        duration<double, std::micro>(steady_clock::now() - start - 1ms).count());
                }
                if (raised) Platform::timerResolution().end();
            }
        }).join();
        for (std::vector<double>& l : late) std::nth_element(l.begin(), l.begin() + 100, l.end());
        QVERIFY2(late[1][100] + 25 < late[0][100],
                 qPrintable(QStringLiteral("median %1 µs late raised, %2 µs by default")
                                .arg(late[1][100])
                                .arg(late[0][100])));
    }
};

QTEST_GUILESS_MAIN(TestX11Platform)
#include "tst_x11platform.moc"
