// Which services the process gets on an X11 desktop, and what keeping the
// desktop awake does to the X screen saver.
#include <QtTest>

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
};

QTEST_GUILESS_MAIN(TestX11Platform)
#include "tst_x11platform.moc"
