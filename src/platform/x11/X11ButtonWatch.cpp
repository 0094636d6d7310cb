#include "platform/x11/X11ButtonWatch.h"

#include <QSocketNotifier>

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

X11ButtonWatch::X11ButtonWatch(QObject* parent) : ButtonWatch(parent) {}

X11ButtonWatch::~X11ButtonWatch() {
    remove();
}

bool X11ButtonWatch::open(QString* error) {
    if (m_connection.isOpen()) return true;
    if (!m_connection.open(error)) return false;
    m_xiOpcode = m_connection.xInput2Opcode(error);
    if (m_xiOpcode < 0) return false;
    m_notifier = new QSocketNotifier(m_connection.fileDescriptor(), QSocketNotifier::Read, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11ButtonWatch::onEventsReady);
    return true;
}

void X11ButtonWatch::select(bool rawPresses) {
    Display* dpy = m_connection.display();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (rawPresses) XISetMask(bits, XI_RawButtonPress);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(dpy, DefaultRootWindow(dpy), &mask, 1);
    XSync(dpy, False);
}

bool X11ButtonWatch::install(QString* error) {
    if (m_installed) {
        if (error) *error = QStringLiteral("the button watch is already installed");
        return false;
    }
    if (!open(error)) return false;
    // Presses from before the watch must not end it.
    select(true);
    Display* dpy = m_connection.display();
    while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
    }
    m_installed = true;
    m_notifier->setEnabled(true);
    return true;
}

void X11ButtonWatch::remove() {
    if (!m_installed) return;
    m_installed = false;
    m_notifier->setEnabled(false);
    select(false);
}

void X11ButtonWatch::onEventsReady() {
    Display* dpy = m_connection.display();
    while (m_installed && XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type != GenericEvent || e.xcookie.extension != m_xiOpcode) continue;
        if (!XGetEventData(dpy, &e.xcookie)) continue;
        int button = 0;
        if (e.xcookie.evtype == XI_RawButtonPress)
            button = static_cast<XIRawEvent*>(e.xcookie.data)->detail;
        XFreeEventData(dpy, &e.xcookie);
        if (button != Button1 && button != Button3) continue;
        // Raw events carry no position: take the pointer's, as the press left it.
        Window root = 0, child = 0;
        int x = 0, y = 0, winX = 0, winY = 0;
        unsigned mask = 0;
        XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &x, &y, &winX, &winY, &mask);
        emit buttonPressed(button == Button1 ? Qt::LeftButton : Qt::RightButton, QPoint(x, y));
    }
}
