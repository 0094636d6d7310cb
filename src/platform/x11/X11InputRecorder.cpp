#include "platform/x11/X11InputRecorder.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "platform/x11/X11KeyTable.h"
#include "platform/x11/XSettings.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

X11InputRecorder::X11InputRecorder(QObject* parent) : InputRecorder(parent) {}

X11InputRecorder::~X11InputRecorder() {
    stop();
    for (int fd : m_wake)
        if (fd >= 0) close(fd);
}

bool X11InputRecorder::open(QString* error) {
    if (m_opened) return true;
    if (!m_connection.open(error)) return false;
    Display* dpy = m_connection.display();
    m_xiOpcode = m_connection.xInput2Opcode(error);
    if (m_xiOpcode < 0) return false;
    int opcode = 0, xkbError = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (!XkbQueryExtension(dpy, &opcode, &m_xkbEventBase, &xkbError, &major, &minor)) {
        if (error) *error = QStringLiteral("the X server has no XKB extension");
        return false;
    }
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        if (error) *error = QStringLiteral("cannot create a pipe to stop the recording thread");
        return false;
    }
    // A window nobody sees, whose property changes tell the server's time.
    m_timeWindow = XCreateWindow(dpy, DefaultRootWindow(dpy), -1, -1, 1, 1, 0, 0, InputOnly,
                                 CopyFromParent, 0, nullptr);
    XSelectInput(dpy, m_timeWindow, PropertyChangeMask);
    const QHash<QByteArray, int> settings = XSettings::integers(dpy);
    m_doubleClickTime = settings.value("Net/DoubleClickTime", m_doubleClickTime);
    m_doubleClickDistance = settings.value("Net/DoubleClickDistance", m_doubleClickDistance);
    m_opened = true;
    return true;
}

void X11InputRecorder::select(bool on) {
    Display* dpy = m_connection.display();
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease,
                         XI_RawMotion})
            XISetMask(bits, type);
    }
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof(bits);
    mask.mask = bits;
    XISelectEvents(dpy, DefaultRootWindow(dpy), &mask, 1);
    const unsigned long state = on ? XkbAllStateComponentsMask : 0;
    XkbSelectEventDetails(dpy, XkbUseCoreKbd, XkbStateNotify, XkbAllStateComponentsMask, state);
    const unsigned map = on ? XkbMapNotifyMask | XkbNewKeyboardNotifyMask : 0;
    XkbSelectEvents(dpy, XkbUseCoreKbd, XkbMapNotifyMask | XkbNewKeyboardNotifyMask, map);
    XSync(dpy, False);
}

quint32 X11InputRecorder::serverTime() {
    Display* dpy = m_connection.display();
    const Atom atom = XInternAtom(dpy, "_FLOWSMITH_RECORDING", False);
    XChangeProperty(dpy, m_timeWindow, atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent e;
    XWindowEvent(dpy, m_timeWindow, PropertyChangeMask, &e);
    return quint32(e.xproperty.time);
}

QVector<quint16> X11InputRecorder::heldKeys() {
    Display* dpy = m_connection.display();
    char keys[32] = {};
    XQueryKeymap(dpy, keys);
    QVector<quint16> held;
    for (int keycode = 8; keycode < 256; ++keycode) {
        if (!(keys[keycode / 8] & (1 << (keycode % 8)))) continue;
        const quint16 vk = X11KeyTable::virtualKeyForKeysym(XkbKeycodeToKeysym(dpy, keycode, 0, 0));
        if (vk) held.append(vk);
    }
    return held;
}

bool X11InputRecorder::start(QString* error) {
    if (isRecording()) {
        if (error) *error = QStringLiteral("a recording is already on");
        return false;
    }
    if (!open(error)) return false;
    Display* dpy = m_connection.display();
    XSync(dpy, True);  // nothing left over from an earlier recording
    XkbStateRec state{};
    XkbGetState(dpy, XkbUseCoreKbd, &state);
    m_lookupState = XkbBuildCoreState(state.lookup_mods, state.group);
    m_excludedKeycodes.clear();
    m_excludedButtons.clear();
    char drained = 0;
    while (read(m_wake[0], &drained, 1) > 0) {
    }
    begin(serverTime(), heldKeys());
    select(true);
    m_thread = std::thread(&X11InputRecorder::run, this);
    return true;
}

void X11InputRecorder::stop() {
    if (!m_thread.joinable()) return;
    const char wake = 1;
    if (write(m_wake[1], &wake, 1) != 1) {
        // The pipe is never full here: one byte per stop, drained at each start.
    }
    m_thread.join();
    select(false);
}

void X11InputRecorder::run() {
    Display* dpy = m_connection.display();
    bool stopping = false;
    while (true) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == GenericEvent && e.xcookie.extension == m_xiOpcode) {
                if (!XGetEventData(dpy, &e.xcookie)) continue;
                const auto* raw = static_cast<const XIRawEvent*>(e.xcookie.data);
                const quint32 time = quint32(raw->time);
                switch (e.xcookie.evtype) {
                    case XI_RawKeyPress:
                    case XI_RawKeyRelease:
                        onKey(e.xcookie.evtype == XI_RawKeyPress, raw->detail, time);
                        break;
                    case XI_RawButtonPress:
                    case XI_RawButtonRelease:
                        onButton(e.xcookie.evtype == XI_RawButtonPress, raw->detail, time);
                        break;
                    case XI_RawMotion:
                        onMotion(time);
                        break;
                    default:
                        break;
                }
                XFreeEventData(dpy, &e.xcookie);
            } else if (e.type == m_xkbEventBase) {
                auto* xkb = reinterpret_cast<XkbEvent*>(&e);
                if (xkb->any.xkb_type == XkbStateNotify)
                    m_lookupState = XkbBuildCoreState(xkb->state.lookup_mods, xkb->state.group);
                else if (xkb->any.xkb_type == XkbMapNotify ||
                         xkb->any.xkb_type == XkbNewKeyboardNotify)
                    XkbRefreshKeyboardMapping(&xkb->map);
            } else if (e.type == MappingNotify) {
                XRefreshKeyboardMapping(&e.xmapping);
            }
        }
        if (stopping) return;
        pollfd fds[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;  // a signal
        if (fds[1].revents & POLLIN) {
            // One more round: what happened before the stop is in once the server has
            // answered a request sent after it.
            XSync(dpy, False);
            stopping = true;
        }
    }
}

void X11InputRecorder::onKey(bool press, int keycode, quint32 time) {
    if (excludedWindow() != 0) {
        if (press && focusIsExcluded()) m_excludedKeycodes.insert(keycode);
        if (m_excludedKeycodes.contains(keycode)) {
            if (!press) m_excludedKeycodes.remove(keycode);
            return;
        }
    }
    Display* dpy = m_connection.display();
    RecordedEvent event;
    event.kind = press ? RecordedEvent::KeyDown : RecordedEvent::KeyUp;
    event.keyCode = quint32(keycode);
    // The key itself is named by its unshifted keysym in the first layout, like a
    // virtual key; keypad digits by what they type with Num Lock on.
    event.virtualKey = X11KeyTable::virtualKeyForKeysym(XkbKeycodeToKeysym(dpy, keycode, 0, 0));
    if (press) {
        unsigned consumed = 0;
        KeySym typed = NoSymbol;
        XkbLookupKeySym(dpy, KeyCode(keycode), m_lookupState, &consumed, &typed);
        if (typed >= XK_KP_0 && typed <= XK_KP_9) event.virtualKey = 96 + (typed - XK_KP_0);
        event.text = X11KeyTable::textForKeysym(quint32(typed));
    }
    report(std::move(event), time);
}

void X11InputRecorder::onButton(bool press, int button, quint32 time) {
    RecordedEvent event;
    event.kind = press ? RecordedEvent::ButtonDown : RecordedEvent::ButtonUp;
    switch (button) {
        case Button1:
            event.button = RecordedEvent::Left;
            break;
        case Button2:
            event.button = RecordedEvent::Middle;
            break;
        case Button3:
            event.button = RecordedEvent::Right;
            break;
        case Button4:
        case Button5:
        case 6:
        case 7:
            // Each notch of a wheel is a press and a release of its own button.
            if (!press) return;
            event.kind = RecordedEvent::Wheel;
            break;
        default:
            event.button = RecordedEvent::Side;
            break;
    }
    bool onExcluded = false;
    event.position = pointer(&onExcluded);
    if (press && onExcluded) m_excludedButtons.insert(button);
    if (m_excludedButtons.contains(button)) {
        if (!press) m_excludedButtons.remove(button);
        return;
    }
    report(std::move(event), time);
}

void X11InputRecorder::onMotion(quint32 time) {
    RecordedEvent event;
    event.kind = RecordedEvent::Motion;
    event.position = pointer(nullptr);
    report(std::move(event), time);
}

QPoint X11InputRecorder::pointer(bool* onExcludedWindow) {
    // Raw events carry no position: the pointer is where the event left it, as long
    // as the events are read as they come.
    Display* dpy = m_connection.display();
    Window window = DefaultRootWindow(dpy), root = 0, child = 0;
    int x = 0, y = 0, winX = 0, winY = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, window, &root, &child, &x, &y, &winX, &winY, &mask);
    const Window excluded = Window(excludedWindow());
    if (!onExcludedWindow || excluded == 0) return QPoint(x, y);
    // Down the stack of windows under the pointer (a window manager's frame first).
    for (int depth = 0; child != None && depth < 16; ++depth) {
        if (child == excluded) {
            *onExcludedWindow = true;
            break;
        }
        window = child;
        XQueryPointer(dpy, window, &root, &child, &x, &y, &winX, &winY, &mask);
    }
    return QPoint(x, y);
}

bool X11InputRecorder::focusIsExcluded() {
    Display* dpy = m_connection.display();
    const Window excluded = Window(excludedWindow());
    Window focus = None;
    int revert = 0;
    XGetInputFocus(dpy, &focus, &revert);
    // Up from the focus window: a widget inside the excluded window may hold it.
    for (int depth = 0; focus != None && focus != PointerRoot && depth < 16; ++depth) {
        if (focus == excluded) return true;
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, focus, &root, &parent, &children, &count)) return false;
        if (children) XFree(children);
        if (focus == root) return false;
        focus = parent;
    }
    return false;
}
