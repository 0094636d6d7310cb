#include "platform/x11/X11InputBackend.h"

#include <system_error>

#include "core/AppLog.h"
#include "platform/AbsoluteCoordinates.h"
#include "platform/x11/X11KeyTable.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
// XInput's device-mode constant, not needed here, hides the record flag of that name.
#undef Absolute

namespace {

// Spare keycodes left alone for other programs that borrow one the same way.
constexpr int kSparesLeftForOthers = 2;

unsigned buttonOf(quint32 flag) {
    switch (flag) {
        case InputRecord::LeftDown:
        case InputRecord::LeftUp:
            return Button1;
        case InputRecord::MiddleDown:
        case InputRecord::MiddleUp:
            return Button2;
        default:
            return Button3;
    }
}

}  // namespace

X11InputBackend::X11InputBackend()
    : m_settleTime(std::chrono::milliseconds(1)),
      m_reuseGuard(std::chrono::milliseconds(100)),
      m_restoreDelay(std::chrono::milliseconds(300)) {}

X11InputBackend::~X11InputBackend() {
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_stopping = true;
    }
    m_restoreWake.notify_all();
    if (m_restorer.joinable()) m_restorer.join();
    std::lock_guard<std::mutex> l(m_mutex);
    if (!m_connection.isOpen()) return;
    for (int keycode : m_spares.boundKeycodes())
        if (m_spares.isHeld(keycode)) fakeKey(keycode, false);
    // A client reads a key event with the mapping in force when it gets to it: a
    // program that exits right after typing (flowctl play) must give its last
    // borrowed keycodes the same rest a rebind waits, or their characters are lost.
    const Clock::time_point deadline = Clock::now() + m_reuseGuard;
    while (Clock::now() < deadline && m_spares.restorable(Clock::now() - m_reuseGuard).size() <
                                          m_spares.boundKeycodes().size())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    restoreKeycodes(m_spares.boundKeycodes());
}

bool X11InputBackend::open(QString* error) {
    std::lock_guard<std::mutex> l(m_mutex);
    if (m_connection.isOpen()) return true;
    if (!m_connection.open(&m_failure)) {
        if (error) *error = m_failure;
        return false;
    }
    int event = 0, err = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_connection.display(), &event, &err, &major, &minor)) {
        m_failure = QStringLiteral("the X server has no XTEST extension for synthetic input");
        if (error) *error = m_failure;
        return false;
    }
    // Our injections must not wait behind another client's server grab.
    XTestGrabControl(m_connection.display(), True);
    // Keycodes a killed replay left bound become spare again before the pool is made.
    int minKeycode = 0, maxKeycode = 0, per = 0;
    XDisplayKeycodes(m_connection.display(), &minKeycode, &maxKeycode);
    if (KeySym* syms = XGetKeyboardMapping(m_connection.display(), KeyCode(minKeycode), 1, &per))
        XFree(syms);
    m_ledger.restoreAbandoned(minKeycode, maxKeycode, per);
    m_ledger.open();
    readKeymap();
    try {
        m_restorer = std::thread([this] { restoreLoop(); });
    } catch (const std::system_error& e) {
        // Without it borrowed keycodes would stay bound until exit: refuse to replay.
        m_failure = QStringLiteral("cannot start the keymap restoring thread: %1")
                        .arg(QString::fromLocal8Bit(e.what()));
        if (error) *error = m_failure;
        return false;
    }
    return true;
}

bool X11InputBackend::isAvailable() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_connection.isOpen() && m_failure.isEmpty();
}

QString X11InputBackend::unavailableReason() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_failure;
}

void X11InputBackend::setKeymapSettleTime(std::chrono::microseconds settle) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_settleTime = settle;
}

void X11InputBackend::setSpareReuseGuard(std::chrono::microseconds guard) {
    std::lock_guard<std::mutex> l(m_mutex);
    m_reuseGuard = guard;
    m_spares.setReuseGuard(guard);
}

void X11InputBackend::setRestoreDelay(std::chrono::milliseconds delay) {
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_restoreDelay = delay;
    }
    m_restoreWake.notify_all();
}

int X11InputBackend::spareKeycodeCount() const {
    std::lock_guard<std::mutex> l(m_mutex);
    return m_spares.size();
}

void X11InputBackend::restoreKeymap() {
    std::lock_guard<std::mutex> l(m_mutex);
    if (m_connection.isOpen()) restoreKeycodes(m_spares.restorable(Clock::time_point::max()));
}

QSize X11InputBackend::screenSize() {
    std::lock_guard<std::mutex> l(m_mutex);
    if (!m_connection.isOpen()) return QSize();
    m_convertedWith = querySize();
    return m_convertedWith;
}

QSize X11InputBackend::querySize() {
    XWindowAttributes attributes;
    Display* dpy = m_connection.display();
    if (!XGetWindowAttributes(dpy, DefaultRootWindow(dpy), &attributes)) return QSize();
    return QSize(attributes.width, attributes.height);
}

void X11InputBackend::readKeymap() {
    Display* dpy = m_connection.display();
    XDisplayKeycodes(dpy, &m_minKeycode, &m_maxKeycode);
    int per = 0;
    KeySym* syms =
        XGetKeyboardMapping(dpy, KeyCode(m_minKeycode), m_maxKeycode - m_minKeycode + 1, &per);
    m_keymap.clear();
    m_symsPerKeycode = syms ? per : 0;
    if (syms) {
        m_keymap.resize((m_maxKeycode - m_minKeycode + 1) * per);
        std::copy(syms, syms + m_keymap.size(), m_keymap.begin());
        XFree(syms);
    }

    // The first time, keycodes without any symbol become the spare pool; later
    // readings keep the pool and only learn where the other keys are now.
    const bool firstReading = m_spares.size() == 0;
    QVector<int> empty;
    m_places.clear();
    for (int keycode = m_minKeycode; keycode <= m_maxKeycode; ++keycode) {
        const unsigned long* s = m_keymap.constData() + (keycode - m_minKeycode) * m_symsPerKeycode;
        bool hasSymbol = false;
        for (int i = 0; i < m_symsPerKeycode; ++i) hasSymbol = hasSymbol || s[i] != NoSymbol;
        if (!hasSymbol) {
            if (firstReading) empty.append(keycode);
            continue;
        }
        if (m_spares.contains(keycode)) continue;
        // Levels 1 and 2 of the first group: plain and with Shift.
        for (int level = 0; level < qMin(2, m_symsPerKeycode); ++level) {
            if (s[level] == NoSymbol) continue;
            auto it = m_places.find(quint32(s[level]));
            if (it == m_places.end() || it->level > level)
                m_places.insert(quint32(s[level]), {keycode, level});
        }
    }
    if (firstReading) {
        // Take the highest ones: programs that borrow a keycode usually take the first empty one.
        empty = empty.mid(qMin(kSparesLeftForOthers, empty.size()));
        m_spares = SpareKeycodePool(empty, m_reuseGuard);
    }

    m_shiftKeycodes.clear();
    if (XModifierKeymap* mods = XGetModifierMapping(dpy)) {
        for (int i = 0; i < mods->max_keypermod; ++i) {
            const KeyCode k = mods->modifiermap[ShiftMapIndex * mods->max_keypermod + i];
            if (k) m_shiftKeycodes.append(k);
        }
        XFreeModifiermap(mods);
    }
    const KeyPlace shiftL = m_places.value(XK_Shift_L);
    m_shiftKeycode = shiftL.keycode ? shiftL.keycode : m_shiftKeycodes.value(0);
}

void X11InputBackend::drainEvents() {
    Display* dpy = m_connection.display();
    bool remapped = false;
    while (XPending(dpy)) {
        XEvent e;
        XNextEvent(dpy, &e);
        if (e.type != MappingNotify) continue;
        if (e.xmapping.request == MappingModifier) {
            remapped = true;
        } else if (e.xmapping.request == MappingKeyboard) {
            // Changes to our own spare keycodes are ours; anything else means another
            // program changed the layout.
            for (int k = e.xmapping.first_keycode;
                 k < e.xmapping.first_keycode + e.xmapping.count && !remapped; ++k)
                remapped = !m_spares.contains(k);
        }
    }
    if (remapped) readKeymap();
}

unsigned X11InputBackend::numLockMask() {
    Display* dpy = m_connection.display();
    const KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
    unsigned mask = 0;
    if (XModifierKeymap* map = XGetModifierMapping(dpy)) {
        for (int m = 0; m < 8 && numLock; ++m)
            for (int i = 0; i < map->max_keypermod; ++i)
                if (map->modifiermap[m * map->max_keypermod + i] == numLock) mask |= 1u << m;
        XFreeModifiermap(map);
    }
    return mask ? mask : Mod2Mask;
}

unsigned X11InputBackend::queryModifierState() {
    Display* dpy = m_connection.display();
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &root, &child, &rootX, &rootY, &x, &y, &mask);
    return mask;
}

bool X11InputBackend::findOnKeymap(quint32 keysym, KeyPlace* place) const {
    auto it = m_places.constFind(keysym);
    if (it == m_places.constEnd()) return false;
    *place = *it;
    return true;
}

bool X11InputBackend::isAlphabetic(int keycode) const {
    if (m_symsPerKeycode < 2) return false;
    const unsigned long* s = m_keymap.constData() + (keycode - m_minKeycode) * m_symsPerKeycode;
    KeySym lower = 0, upper = 0;
    XConvertCase(s[0], &lower, &upper);
    return lower != upper && lower == s[0] && upper == s[1];
}

void X11InputBackend::fakeKey(int keycode, bool down) {
    XTestFakeKeyEvent(m_connection.display(), unsigned(keycode), down ? True : False, CurrentTime);
}

void X11InputBackend::logOnce(const QString& key, const QString& message) {
    if (m_reported.contains(key)) return;
    m_reported.insert(key);
    qCWarning(appLog).noquote() << message;
}

bool X11InputBackend::inject(const InputBatch& batch) {
    std::unique_lock<std::mutex> guard(m_mutex);
    if (!m_connection.isOpen()) return false;
    drainEvents();
    for (const InputRecord& r : batch) {
        if (r.type == InputRecord::Mouse) {
            sendMouse(r);
        } else if (r.isCharacter()) {
            const SurrogateJoiner::Event e = m_joiner.feed(r.scan, r.isKeyUp());
            if (e.dropped)
                logOnce(QStringLiteral("lone"),
                        QStringLiteral("a lone UTF-16 surrogate was not typed"));
            if (e.character) sendCharacter(e.character, r.isKeyUp(), guard);
        } else {
            sendVirtualKey(r.virtualKey, r.isKeyUp(), guard);
        }
    }
    // Wait until the server has taken every event, so that input from the next
    // batch (or another connection) can never overtake it.
    XSync(m_connection.display(), False);
    return true;
}

void X11InputBackend::sendVirtualKey(quint16 virtualKey, bool up,
                                     std::unique_lock<std::mutex>& guard) {
    if (virtualKey == 0) {
        logOnce(
            QStringLiteral("vk0"),
            QStringLiteral("a key record without a virtual key (unknown key name) sends nothing"));
        return;
    }
    const quint32 keysym = X11KeyTable::keysymForVirtualKey(virtualKey);
    if (keysym == 0) {
        logOnce(QStringLiteral("vk%1").arg(virtualKey),
                QStringLiteral("virtual key %1 has no X11 key; nothing sent").arg(virtualKey));
        return;
    }
    if (up) {
        int keycode = m_virtualKeysDown.take(virtualKey);
        KeyPlace place;
        if (!keycode && findOnKeymap(keysym, &place)) keycode = place.keycode;
        if (!keycode) return;  // a key of its own that was never pressed
        fakeKey(keycode, false);
        if (m_spares.contains(keycode)) {
            m_spares.release(keycode, Clock::now());
            m_restoreWake.notify_all();
        }
        return;
    }
    int keycode = m_virtualKeysDown.value(virtualKey);
    KeyPlace place;
    if (!keycode && findOnKeymap(keysym, &place)) {
        // A keypad digit sits in the Num Lock column of its key: with Num Lock off the
        // key would arrive as its twin (KP_0 as KP_Insert), while the flow means the
        // digit. Such a key goes through a keycode that carries the digit alone.
        const bool needsNumLock =
            place.level != 0 && IsKeypadKey(keysym) && !(queryModifierState() & numLockMask());
        if (!needsNumLock) keycode = place.keycode;
    }
    if (!keycode) keycode = bindSpare(keysym, guard);
    if (!keycode) return;
    if (m_spares.contains(keycode)) m_spares.press(keycode, Clock::now());
    fakeKey(keycode, true);
    m_virtualKeysDown.insert(virtualKey, keycode);
}

void X11InputBackend::sendCharacter(char32_t character, bool up,
                                    std::unique_lock<std::mutex>& guard) {
    if (up) {
        const int keycode = m_charactersDown.take(character);
        if (!keycode) return;
        fakeKey(keycode, false);
        if (m_spares.contains(keycode)) {
            m_spares.release(keycode, Clock::now());
            m_restoreWake.notify_all();
        }
        return;
    }
    const quint32 keysym = X11KeyTable::keysymForCharacter(character);
    if (keysym == 0) {
        logOnce(QStringLiteral("char%1").arg(quint32(character)),
                QStringLiteral("character U+%1 cannot be typed; nothing sent")
                    .arg(quint32(character), 4, 16, QLatin1Char('0')));
        return;
    }
    if (const int held = m_charactersDown.take(character)) fakeKey(held, false);

    KeyPlace place;
    if (findOnKeymap(keysym, &place)) {
        const unsigned state = queryModifierState();
        bool wantShift = place.level == 1;
        if ((state & LockMask) && isAlphabetic(place.keycode)) wantShift = !wantShift;
        const bool shiftOn = state & ShiftMask;
        QVector<int> lifted;
        if (wantShift && !shiftOn && m_shiftKeycode) {
            fakeKey(m_shiftKeycode, true);
        } else if (!wantShift && shiftOn) {
            // Lift the Shift keys that are down for this one key. Only those this
            // backend pressed go down again: a Shift another program (or another
            // replay) holds may be released by it meanwhile, and pressing it again
            // would leave it stuck.
            char keys[32];
            XQueryKeymap(m_connection.display(), keys);
            for (int k : m_shiftKeycodes)
                if (keys[k / 8] & (1 << (k % 8))) lifted.append(k);
            for (int k : lifted) fakeKey(k, false);
        }
        fakeKey(place.keycode, true);
        if (wantShift && !shiftOn && m_shiftKeycode) fakeKey(m_shiftKeycode, false);
        const QList<int> ownKeys = m_virtualKeysDown.values();
        for (int k : lifted)
            if (ownKeys.contains(k)) fakeKey(k, true);
        m_charactersDown.insert(character, place.keycode);
        return;
    }

    const int keycode = bindSpare(keysym, guard);
    if (!keycode) return;
    m_spares.press(keycode, Clock::now());
    fakeKey(keycode, true);
    m_charactersDown.insert(character, keycode);
}

int X11InputBackend::bindSpare(quint32 keysym, std::unique_lock<std::mutex>& guard) {
    Display* dpy = m_connection.display();
    SpareKeycodePool::Assignment a = m_spares.assign(keysym, Clock::now());
    while (a.keycode < 0) {
        if (a.notBefore == Clock::time_point::max()) {
            logOnce(
                QStringLiteral("nospare"),
                QStringLiteral("no spare keycode is free to type a character the keymap lacks"));
            return 0;
        }
        // Every spare keycode was used a moment ago; a client may still be reading
        // the mapping it had then.
        m_restoreWake.wait_until(guard, a.notBefore);
        a = m_spares.assign(keysym, Clock::now());
    }
    if (!a.needsMapping) return a.keycode;

    QVector<KeySym> syms(qMax(m_symsPerKeycode, 1), KeySym(keysym));
    m_ledger.noteBinding(a.keycode, keysym);  // first, so a crash never leaves a binding unnoted
    XChangeKeyboardMapping(dpy, a.keycode, syms.size(), syms.data(), 1);
    // Read the mapping back: this waits until the server has applied it and sent
    // every client its MappingNotify.
    bool confirmed = false;
    for (int attempt = 0; attempt < 3 && !confirmed; ++attempt) {
        int per = 0;
        KeySym* got = XGetKeyboardMapping(dpy, KeyCode(a.keycode), 1, &per);
        confirmed = got && per > 0 && got[0] == keysym;
        if (got) XFree(got);
    }
    if (!confirmed) {
        m_ledger.forget(a.keycode);
        logOnce(QStringLiteral("bind%1").arg(a.keycode),
                QStringLiteral("keycode %1 could not be bound to keysym 0x%2")
                    .arg(a.keycode)
                    .arg(keysym, 0, 16));
        return 0;
    }
    m_spares.bind(a.keycode, keysym, Clock::now());
    // Clients fetch the new keymap when they read the notification; give them the
    // time before the key that needs it arrives.
    if (m_settleTime.count() > 0) {
        guard.unlock();
        std::this_thread::sleep_for(m_settleTime);
        guard.lock();
    }
    return a.keycode;
}

void X11InputBackend::restoreKeycodes(const QVector<int>& keycodes) {
    if (keycodes.isEmpty()) return;
    Display* dpy = m_connection.display();
    const QVector<KeySym> empty(qMax(m_symsPerKeycode, 1), NoSymbol);
    for (int keycode : keycodes) {
        XChangeKeyboardMapping(dpy, keycode, empty.size(), const_cast<KeySym*>(empty.data()), 1);
        m_ledger.forget(keycode);
        m_spares.unbind(keycode);
    }
    XSync(dpy, False);
}

void X11InputBackend::restoreLoop() {
    std::unique_lock<std::mutex> guard(m_mutex);
    while (!m_stopping) {
        if (m_spares.boundKeycodes().isEmpty()) {
            m_restoreWake.wait(guard);
            continue;
        }
        drainEvents();
        restoreKeycodes(m_spares.restorable(Clock::now() - m_restoreDelay));
        m_restoreWake.wait_for(guard, m_restoreDelay / 2);
    }
}

void X11InputBackend::sendMouse(const InputRecord& r) {
    Display* dpy = m_connection.display();
    if (r.flags & InputRecord::Move) {
        if (r.flags & InputRecord::Absolute) {
            const QSize size = m_convertedWith.isValid() ? m_convertedWith : querySize();
            XTestFakeMotionEvent(dpy, DefaultScreen(dpy),
                                 AbsoluteCoordinates::toPixel(r.dx, size.width()),
                                 AbsoluteCoordinates::toPixel(r.dy, size.height()), CurrentTime);
        } else {
            XTestFakeRelativeMotionEvent(dpy, r.dx, r.dy, CurrentTime);
        }
    }
    // The order in which one record's flags take effect on Windows.
    static constexpr quint32 kButtonFlags[] = {InputRecord::LeftDown,   InputRecord::LeftUp,
                                               InputRecord::RightDown,  InputRecord::RightUp,
                                               InputRecord::MiddleDown, InputRecord::MiddleUp};
    for (quint32 flag : kButtonFlags) {
        if (!(r.flags & flag)) continue;
        const bool down = flag == InputRecord::LeftDown || flag == InputRecord::RightDown ||
                          flag == InputRecord::MiddleDown;
        XTestFakeButtonEvent(dpy, buttonOf(flag), down ? True : False, CurrentTime);
    }
}
