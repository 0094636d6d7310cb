// The services a process gets on an X11 desktop: global hotkeys grabbed on the root
// window, so that presses reach us wherever the focus is; keeping the desktop awake,
// against the X screen saver; and the raised timer resolution, against a sleep's lateness.
#include <sys/prctl.h>

#include <QSignalSpy>
#include <QtTest>
#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "platform/x11/LinuxTimerResolution.h"
#include "platform/x11/X11HotkeyBackend.h"
#include "platform/x11/X11KeepAwake.h"
#include "support/TestDesktop.h"

// After the Qt headers: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {
constexpr quint32 kF8 = 0xffc5;
constexpr unsigned kControlMask = 1u << 2;

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
        QVERIFY(dynamic_cast<X11HotkeyBackend*>(&Platform::hotkeys()));
        QVERIFY(dynamic_cast<LinuxTimerResolution*>(&Platform::timerResolution()));
        QVERIFY(dynamic_cast<X11KeepAwake*>(&Platform::keepAwake()));
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
        QCOMPARE(other.grabKey(kF8, kControlMask | TestDesktop::kLock), 0);
        GlobalHotkey hotkey(QKeySequence(shortcut), true);
        QVERIFY(hotkey.isRegistered() && hotkey.setAnyModifiers(anyModifiers));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        play(steps);
        QTEST(fired(spy, 2), "count");
        if (!anyModifiers) return;
        // Given back when the setting is cleared.
        QVERIFY(hotkey.setAnyModifiers(false) && hotkey.isRegistered());
        QCOMPARE(other.grabKey(kF8, kControlMask), 0);
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

    // Raised, the resolution ends a thread's 1 ms sleeps within microseconds instead of up
    // to the default 50 µs timer slack late. Rounds with and without it alternate in one
    // thread, so a busy machine delays both alike; the medians are compared.
    void raisedResolutionEndsSleepsOnTime() {
        using namespace std::chrono;
        std::vector<double> late[2];  // µs past each 1 ms sleep: [0] as by default, [1] raised
        std::thread([&] {
            prctl(PR_SET_TIMERSLACK, 50000UL, 0, 0, 0);  // the kernel's default
            for (int round = 0; round < 20; ++round) {
                for (int raised : {0, 1}) {
                    const bool began = raised && Platform::timerResolution().begin();
                    for (int i = 0; i < 10; ++i) {
                        const auto start = steady_clock::now();
                        std::this_thread::sleep_for(1ms);
                        late[raised].push_back(
                            duration<double, std::micro>(steady_clock::now() - start - 1ms)
                                .count());
                    }
                    if (began) Platform::timerResolution().end();
                }
            }
        }).join();
        double median[2];
        for (int i : {0, 1}) {
            std::nth_element(late[i].begin(), late[i].begin() + 100, late[i].end());
            median[i] = late[i][100];
        }
        QVERIFY2(median[1] + 25 < median[0],
                 qPrintable(QStringLiteral("%1 µs late raised, %2 µs by default")
                                .arg(median[1])
                                .arg(median[0])));
    }
};

QTEST_GUILESS_MAIN(TestX11Platform)
#include "tst_x11platform.moc"
