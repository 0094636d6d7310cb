#include "support/TestDesktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

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
    return QSize(DisplayWidth(dpy, DefaultScreen(dpy)), DisplayHeight(dpy, DefaultScreen(dpy)));
}

unsigned TestDesktop::queryPointer(QPoint* at) const {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &wx, &wy, &mask);
    if (at) *at = QPoint(x, y);
    return mask;
}

QPoint TestDesktop::pointer() const {
    QPoint at;
    queryPointer(&at);
    return at;
}

unsigned TestDesktop::modifierState() const {
    return queryPointer(nullptr);
}

bool TestDesktop::isKeyDown(quint32 keysym) const {
    char keys[32];
    XQueryKeymap(dpy, keys);
    const KeyCode k = XKeysymToKeycode(dpy, keysym);
    return k && (keys[k / 8] & (1 << (k % 8)));
}

bool TestDesktop::isMapped(quint32 keysym) const {
    // Read afresh: Xlib's cached keymap does not follow other clients' changes here.
    int min = 0, max = 0, per = 0;
    XDisplayKeycodes(dpy, &min, &max);
    KeySym* syms = XGetKeyboardMapping(dpy, KeyCode(min), max - min + 1, &per);
    if (!syms) return false;
    KeySym* end = syms + (max - min + 1) * per;
    const bool found = std::find(syms, end, KeySym(keysym)) != end;
    XFree(syms);
    return found;
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

void TestDesktop::setFocus(unsigned long window) {
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

void TestDesktop::sync() const {
    XSync(dpy, False);
}
