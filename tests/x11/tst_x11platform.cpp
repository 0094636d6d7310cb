// Which services the process gets on an X11 desktop, what keeping the desktop awake
// does to the X screen saver, and what the raised timer resolution does to a sleep.
#include <sys/prctl.h>

#include <QtTest>
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/Platform.h"
#include "platform/x11/LinuxTimerResolution.h"
#include "platform/x11/X11KeepAwake.h"

// After the Qt headers: Xlib's macros would break them.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {
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

private slots:
    void keepAwakeSuspendsTheScreenSaver() {
        // The input, hotkey and button watch tests check their own backend.
        QCOMPARE(Platform::unavailableReason(), QString());
        QVERIFY(dynamic_cast<LinuxTimerResolution*>(&Platform::timerResolution()));
        QVERIFY(dynamic_cast<X11KeepAwake*>(&Platform::keepAwake()));
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
