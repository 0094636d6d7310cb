#include "support/TestDesktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {
int lastError = 0;
int recordError(Display*, XErrorEvent* e) {
    lastError = e->error_code;
    return 0;
}
}  // namespace

TestDesktop::TestDesktop() : m_dpy(XOpenDisplay(nullptr)) {}

TestDesktop::~TestDesktop() {
    if (m_dpy) XCloseDisplay(m_dpy);
}

unsigned TestDesktop::modifierState() const {
    Window root = 0, child = 0;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    XQueryPointer(m_dpy, DefaultRootWindow(m_dpy), &root, &child, &x, &y, &wx, &wy, &mask);
    return mask;
}

bool TestDesktop::isKeyDown(quint32 keysym) const {
    char keys[32];
    XQueryKeymap(m_dpy, keys);
    const KeyCode k = XKeysymToKeycode(m_dpy, keysym);
    return k && (keys[k / 8] & (1 << (k % 8)));
}

QVector<quint32> TestDesktop::keymap() const {
    // Read afresh: Xlib's cached keymap does not follow other clients' changes.
    int min = 0, max = 0, per = 0;
    XDisplayKeycodes(m_dpy, &min, &max);
    QVector<quint32> map(max + 1, 0);
    if (KeySym* syms = XGetKeyboardMapping(m_dpy, KeyCode(min), max - min + 1, &per)) {
        for (int k = min; k <= max; ++k) map[k] = quint32(syms[(k - min) * per]);
        XFree(syms);
    }
    return map;
}

void TestDesktop::bindKeycode(int keycode, quint32 keysym) {
    int min = 0, max = 0, per = 0;
    XDisplayKeycodes(m_dpy, &min, &max);
    if (KeySym* syms = XGetKeyboardMapping(m_dpy, KeyCode(min), 1, &per)) XFree(syms);
    QVector<KeySym> levels(per, KeySym(keysym));
    XChangeKeyboardMapping(m_dpy, keycode, per, levels.data(), 1);
    XSync(m_dpy, False);
}

void TestDesktop::moveTo(const QPoint& p) {
    XTestFakeMotionEvent(m_dpy, DefaultScreen(m_dpy), p.x(), p.y(), CurrentTime);
    XSync(m_dpy, False);
}

void TestDesktop::button(int button, bool down) {
    XTestFakeButtonEvent(m_dpy, unsigned(button), down ? True : False, CurrentTime);
    XSync(m_dpy, False);
}

void TestDesktop::key(quint32 keysym, bool down) {
    XTestFakeKeyEvent(m_dpy, XKeysymToKeycode(m_dpy, keysym), down ? True : False, CurrentTime);
    XSync(m_dpy, False);
}

int TestDesktop::grabKey(quint32 keysym, unsigned modifiers) {
    XSync(m_dpy, False);
    lastError = 0;
    XErrorHandler previous = XSetErrorHandler(recordError);
    XGrabKey(m_dpy, XKeysymToKeycode(m_dpy, keysym), modifiers, DefaultRootWindow(m_dpy), False,
             GrabModeAsync, GrabModeAsync);
    XSync(m_dpy, False);
    XSetErrorHandler(previous);
    return lastError;
}

void TestDesktop::setFocus(unsigned long window) {
    XSetInputFocus(m_dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(m_dpy, False);
}
