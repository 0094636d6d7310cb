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
constexpr quint32 kF8 = 0xffc5, kF9 = 0xffc6, kCapsLock = 0xffe5, kNumLock = 0xff7f,
                  kControlL = 0xffe3, kShiftL = 0xffe1, kSuperL = 0xffeb, kLevel3Shift = 0xfe03;
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

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QCOMPARE(Platform::unavailableReason(), QString());
        QVERIFY(dynamic_cast<X11HotkeyBackend*>(&Platform::hotkeys()));
        QVERIFY(dynamic_cast<LinuxTimerResolution*>(&Platform::timerResolution()));
        QVERIFY(dynamic_cast<X11KeepAwake*>(&Platform::keepAwake()));
    }

    void pressActivatesOnce_data() {
        QTest::addColumn<QList<quint32>>("locks");
        QTest::addColumn<int>("holdMs");
        QTest::newRow("no lock") << QList<quint32>{} << 0;
        QTest::newRow("Caps Lock on") << QList<quint32>{kCapsLock} << 0;
        QTest::newRow("Num Lock on") << QList<quint32>{kNumLock} << 0;
        QTest::newRow("both locks on") << QList<quint32>{kCapsLock, kNumLock} << 0;
        // Well past the auto-repeat delay: the repeats must not count.
        QTest::newRow("held") << QList<quint32>{} << 1200;
    }
    void pressActivatesOnce() {
        QFETCH(QList<quint32>, locks);
        QFETCH(int, holdMs);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(hotkey.isRegistered());
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (quint32 lock : locks) m_desktop.tap(lock);
        m_desktop.key(kF8, true);
        QTest::qWait(holdMs);
        m_desktop.key(kF8, false);
        const bool fired = QTest::qWaitFor([&] { return !spy.isEmpty(); }, 3000);
        QTest::qWait(100);
        const int once = spy.count();
        m_desktop.tap(kF8);  // and the next press fires again
        const bool again = spy.wait(3000);
        for (quint32 lock : locks) m_desktop.tap(lock);  // back off, also when a check fails
        QVERIFY(fired && again);
        QCOMPARE(once, 1);
        QCOMPARE(spy.count(), 2);
    }

    void modifiersMustMatch() {
        GlobalHotkey hotkey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9), true);
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (quint32 modifier : {0u, kControlL, kShiftL}) {  // F9, Ctrl+F9, Ctrl+Shift+F9
            if (modifier) m_desktop.key(modifier, true);
            m_desktop.tap(kF9);
        }
        m_desktop.key(kShiftL, false);
        m_desktop.key(kControlL, false);
        QVERIFY(hotkey.isRegistered() && spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(spy.count(), 1);
    }

    // A replay may hold any modifier down. Set to any modifiers, the key fires
    // whatever is held, skips a combination another program holds, and gives them all
    // back when the setting is cleared.
    void anyModifiersFireWhateverIsHeld() {
        auto other = std::make_unique<TestDesktop>();
        QCOMPARE(other->grabKey(kF8, kControlMask | TestDesktop::kLock), 0);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(hotkey.setAnyModifiers(true));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (quint32 lock : {kCapsLock, kNumLock}) m_desktop.tap(lock);
        for (quint32 key : {kLevel3Shift, kSuperL, kShiftL}) m_desktop.key(key, true);
        m_desktop.tap(kF8);
        for (quint32 key : {kLevel3Shift, kSuperL, kShiftL}) m_desktop.key(key, false);
        for (quint32 lock : {kCapsLock, kNumLock}) m_desktop.tap(lock);
        QVERIFY(spy.wait(3000));
        QVERIFY(hotkey.setAnyModifiers(false) && hotkey.isRegistered());
        QCOMPARE(other->grabKey(kF8, kControlMask), 0);  // given back
        m_desktop.key(kShiftL, true);
        m_desktop.tap(kF8);
        m_desktop.key(kShiftL, false);
        m_desktop.tap(kF8);
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(spy.count(), 2);  // F8 alone, not Shift+F8
    }

    void keyHeldByAnotherProgram() {
        auto other = std::make_unique<TestDesktop>();
        GlobalHotkey ours(QKeySequence(Qt::Key_F8), true);
        QVERIFY(ours.isRegistered());
        QCOMPARE(other->grabKey(kF8, 0), 10);  // BadAccess
        QVERIFY(ours.setRegistered(false));    // lets the other program have the key
        QCOMPARE(other->grabKey(kF8, 0), 0);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("F8 not registered.*another program"));
        GlobalHotkey refused(QKeySequence(Qt::Key_F8), true);
        QVERIFY(!refused.isRegistered());
        other.reset();  // gone: registering again succeeds
        QVERIFY(refused.setRegistered(true));
        QSignalSpy spy(&refused, &GlobalHotkey::activated);
        m_desktop.tap(kF8);
        QVERIFY(spy.wait(3000));
    }

    void twoHotkeysOnOneKeyBothFire() {
        GlobalHotkey first(QKeySequence(Qt::Key_F8), true);
        auto* second = new GlobalHotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(first.isRegistered() && second->isRegistered());
        QSignalSpy firstSpy(&first, &GlobalHotkey::activated);
        QSignalSpy secondSpy(second, &GlobalHotkey::activated);
        m_desktop.tap(kF8);
        QVERIFY(firstSpy.wait(3000));
        QCOMPARE(secondSpy.count(), 1);
        // Dropping one keeps the grab for the other.
        delete second;
        m_desktop.tap(kF8);
        QVERIFY(firstSpy.wait(3000));
        QCOMPARE(firstSpy.count(), 2);
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
