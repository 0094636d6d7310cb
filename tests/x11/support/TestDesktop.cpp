#include "TestDesktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
int lastError = 0;
int recordError(Display*, XErrorEvent* e) {
    lastError = e->error_code;
    return 0;
}
}  // namespace

TestDesktop::TestDesktop() : dpy(XOpenDisplay(nullptr)) {}

TestDesktop::~TestDesktop() {
    if (dpy) XCloseDisplay(dpy);
}

QSize TestDesktop::screenSize() const {
    XWindowAttributes a;
    XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &a);
    return QSize(a.width, a.height);
}

QPoint TestDesktop::pointer() const {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx, &wy, &mask);
    return QPoint(x, y);
}

unsigned TestDesktop::modifierState() const {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx, &wy, &mask);
    return mask;
}

bool TestDesktop::isKeyDown(quint32 keysym) const {
    char keys[32];
    XQueryKeymap(dpy, keys);
    const KeyCode k = XKeysymToKeycode(dpy, keysym);
    return k && (keys[k / 8] & (1 << (k % 8)));
}

void TestDesktop::moveTo(const QPoint& p) {
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), p.x(), p.y(), CurrentTime);
    XSync(dpy, False);
}

void TestDesktop::button(int button, bool down) {
    XTestFakeButtonEvent(dpy, unsigned(button), down ? True : False, CurrentTime);
    XSync(dpy, False);
}

void TestDesktop::key(quint32 keysym, bool down) {
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, keysym), down ? True : False, CurrentTime);
    XSync(dpy, False);
}

void TestDesktop::tap(quint32 keysym) {
    key(keysym, true);
    key(keysym, false);
}

int TestDesktop::grabKey(quint32 keysym, unsigned modifiers) {
    XSync(dpy, False);
    lastError = 0;
    XErrorHandler previous = XSetErrorHandler(recordError);
    XGrabKey(dpy, XKeysymToKeycode(dpy, keysym), modifiers, DefaultRootWindow(dpy), False,
             GrabModeAsync, GrabModeAsync);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    return lastError;
}

void TestDesktop::ungrabKey(quint32 keysym, unsigned modifiers) {
    XUngrabKey(dpy, XKeysymToKeycode(dpy, keysym), modifiers, DefaultRootWindow(dpy));
    XSync(dpy, False);
}

QVector<int> TestDesktop::keycodesMapping(quint32 keysym) const {
    int min = 0, max = 0, per = 0;
    XDisplayKeycodes(dpy, &min, &max);
    KeySym* syms = XGetKeyboardMapping(dpy, KeyCode(min), max - min + 1, &per);
    QVector<int> found;
    for (int k = min; syms && k <= max; ++k)
        for (int i = 0; i < per; ++i)
            if (syms[(k - min) * per + i] == keysym) {
                found.append(k);
                break;
            }
    if (syms) XFree(syms);
    return found;
}

void TestDesktop::setFocus(unsigned long window) {
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

void TestDesktop::sync() const {
    XSync(dpy, False);
}
