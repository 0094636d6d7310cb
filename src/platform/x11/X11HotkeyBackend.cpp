#include "platform/x11/X11HotkeyBackend.h"

#include <QSocketNotifier>

#include "core/AppLog.h"
#include "platform/GlobalHotkey.h"
#include "platform/x11/X11KeyTable.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

X11HotkeyBackend::X11HotkeyBackend(QObject* parent) : QObject(parent) {}

X11HotkeyBackend::~X11HotkeyBackend() {
    if (!m_connection.isOpen()) return;
    Display* dpy = m_connection.display();
    for (auto it = m_grabCount.constBegin(); it != m_grabCount.constEnd(); ++it)
        XUngrabKey(dpy, it.key().keycode, it.key().modifiers, DefaultRootWindow(dpy));
    XSync(dpy, False);
}

bool X11HotkeyBackend::open(QString* error) {
    if (m_connection.isOpen()) return true;
    if (!m_connection.open(error)) return false;
    Display* dpy = m_connection.display();
    // Held keys then repeat as presses only, which onEventsReady() filters out.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(dpy, True, &supported);
    readModifierBits();
    m_notifier = new QSocketNotifier(m_connection.fileDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotkeyBackend::onEventsReady);
    return true;
}

void X11HotkeyBackend::readModifierBits() {
    Display* dpy = m_connection.display();
    m_altMask = Mod1Mask;
    m_metaMask = Mod4Mask;
    m_numLockMask = Mod2Mask;
    XModifierKeymap* map = XGetModifierMapping(dpy);
    if (!map) return;
    const KeyCode alt = XKeysymToKeycode(dpy, XK_Alt_L);
    const KeyCode super = XKeysymToKeycode(dpy, XK_Super_L);
    const KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
    for (int mod = Mod1MapIndex; mod <= Mod5MapIndex; ++mod) {
        for (int i = 0; i < map->max_keypermod; ++i) {
            const KeyCode k = map->modifiermap[mod * map->max_keypermod + i];
            if (!k) continue;
            if (k == alt) m_altMask = 1u << mod;
            if (k == super) m_metaMask = 1u << mod;
            if (k == numLock) m_numLockMask = 1u << mod;
        }
    }
    XFreeModifiermap(map);
}

unsigned X11HotkeyBackend::xModifiers(Qt::KeyboardModifiers modifiers) const {
    unsigned mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier) mask |= ControlMask;
    if (modifiers & Qt::AltModifier) mask |= m_altMask;
    if (modifiers & Qt::MetaModifier) mask |= m_metaMask;
    return mask;
}

QVector<unsigned> X11HotkeyBackend::lockCombinations() const {
    // The hotkey must fire whether Caps Lock and Num Lock are on or off.
    return {0u, unsigned(LockMask), m_numLockMask, unsigned(LockMask) | m_numLockMask};
}

int X11HotkeyBackend::acquire(const Combo& combo) {
    int& count = m_grabCount[combo];
    if (count == 0) {
        Display* dpy = m_connection.display();
        const int code = m_connection.trapErrors([&] {
            XGrabKey(dpy, combo.keycode, combo.modifiers, DefaultRootWindow(dpy), False,
                     GrabModeAsync, GrabModeAsync);
        });
        if (code != 0) {
            m_grabCount.remove(combo);
            return code;
        }
    }
    ++count;
    return 0;
}

void X11HotkeyBackend::release(int keycode, const QVector<unsigned>& masks) {
    Display* dpy = m_connection.display();
    for (unsigned mask : masks) {
        const Combo combo{keycode, mask};
        if (--m_grabCount[combo] > 0) continue;
        m_grabCount.remove(combo);
        XUngrabKey(dpy, keycode, mask, DefaultRootWindow(dpy));
    }
    XSync(dpy, False);
}

bool X11HotkeyBackend::grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
                            QString* error) {
    if (!m_connection.isOpen()) {
        if (error) *error = QStringLiteral("no X11 connection");
        return false;
    }
    const quint32 keysym = X11KeyTable::keysymForQtKey(key);
    const KeyCode keycode = keysym ? XKeysymToKeycode(m_connection.display(), keysym) : 0;
    if (!keycode) {
        if (error) *error = QStringLiteral("no key on this keyboard produces it");
        return false;
    }
    Grabbed wanted{keycode, xModifiers(modifiers), hotkey->anyModifiers(), {}};
    // The hotkey's own modifiers with each lock state are required; with any
    // modifiers every other mask is taken where no other program holds it. A grab
    // this hotkey already has is shared, so a change of setting never lets go of the key.
    for (unsigned lock : lockCombinations()) {
        const unsigned mask = wanted.modifiers | lock;
        if (wanted.masks.contains(mask)) continue;
        const int code = acquire({keycode, mask});
        if (code != 0) {
            release(keycode, wanted.masks);
            if (error)
                *error = code == BadAccess
                             ? QStringLiteral("another program has already grabbed this key")
                             : QStringLiteral("the X server refused the grab (error %1)").arg(code);
            return false;
        }
        wanted.masks.append(mask);
    }
    if (wanted.anyModifiers) {
        const unsigned allModifiers = ShiftMask | LockMask | ControlMask | Mod1Mask | Mod2Mask |
                                      Mod3Mask | Mod4Mask | Mod5Mask;
        for (unsigned mask = 0; mask <= allModifiers; ++mask)
            if (!wanted.masks.contains(mask) && acquire({keycode, mask}) == 0)
                wanted.masks.append(mask);
    }
    const auto previous = m_hotkeys.constFind(hotkey);
    if (previous != m_hotkeys.constEnd()) release(previous->keycode, previous->masks);
    m_hotkeys.insert(hotkey, wanted);
    // Events read while grabbing sit in Xlib's queue, where the notifier cannot see them.
    QMetaObject::invokeMethod(this, &X11HotkeyBackend::onEventsReady, Qt::QueuedConnection);
    return true;
}

void X11HotkeyBackend::ungrab(GlobalHotkey* hotkey) {
    auto it = m_hotkeys.find(hotkey);
    if (it == m_hotkeys.end()) return;
    const Grabbed grabbed = it.value();
    m_hotkeys.erase(it);
    release(grabbed.keycode, grabbed.masks);
    QMetaObject::invokeMethod(this, &X11HotkeyBackend::onEventsReady, Qt::QueuedConnection);
}

void X11HotkeyBackend::onEventsReady() {
    if (!m_connection.isOpen()) return;
    Display* dpy = m_connection.display();
    const unsigned relevant = ShiftMask | ControlMask | m_altMask | m_metaMask;
    while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type == MappingNotify) {
            XRefreshKeyboardMapping(&e.xmapping);
            continue;
        }
        if (e.type == KeyRelease) {
            m_keysDown.remove(int(e.xkey.keycode));
            continue;
        }
        if (e.type != KeyPress) continue;
        const int keycode = int(e.xkey.keycode);
        // A key held down repeats its press: only the first one counts.
        if (m_keysDown.contains(keycode)) continue;
        m_keysDown.insert(keycode);
        const unsigned state = e.xkey.state & relevant;
        QVector<QPointer<GlobalHotkey>> targets;
        for (auto it = m_hotkeys.constBegin(); it != m_hotkeys.constEnd(); ++it)
            if (it->keycode == keycode && (it->anyModifiers || it->modifiers == state))
                targets.append(it.key());
        for (const QPointer<GlobalHotkey>& h : targets)
            if (h) emit h->activated();
    }
}
