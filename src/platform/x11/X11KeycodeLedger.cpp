#include "platform/x11/X11KeycodeLedger.h"

#include <QByteArray>
#include <QVector>

#include "core/AppLog.h"
#include "platform/x11/X11Connection.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {
QByteArray noteName(int keycode) {
    return "_FLOWSMITH_BORROWED_KEYCODE_" + QByteArray::number(keycode);
}
}  // namespace

X11KeycodeLedger::X11KeycodeLedger(X11Connection& connection) : m_connection(connection) {}

void X11KeycodeLedger::open() {
    Display* dpy = m_connection.display();
    if (!dpy || m_owner) return;
    // Never mapped; the server destroys it when our connection closes, however that happens.
    m_owner = XCreateWindow(dpy, DefaultRootWindow(dpy), -1, -1, 1, 1, 0, CopyFromParent, InputOnly,
                            nullptr, 0, nullptr);
}

unsigned long X11KeycodeLedger::noteAtom(int keycode) {
    auto it = m_atoms.find(keycode);
    if (it == m_atoms.end())
        it = m_atoms.insert(
            keycode, XInternAtom(m_connection.display(), noteName(keycode).constData(), False));
    return it.value();
}

void X11KeycodeLedger::noteBinding(int keycode, unsigned long keysym) {
    Display* dpy = m_connection.display();
    if (!dpy || !m_owner) return;
    const long note[2] = {long(m_owner), long(keysym)};
    XChangeProperty(dpy, DefaultRootWindow(dpy), noteAtom(keycode), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(note), 2);
}

void X11KeycodeLedger::forget(int keycode) {
    Display* dpy = m_connection.display();
    if (!dpy || !m_owner) return;
    XDeleteProperty(dpy, DefaultRootWindow(dpy), noteAtom(keycode));
}

int X11KeycodeLedger::restoreAbandoned(int minKeycode, int maxKeycode, int symsPerKeycode) {
    Display* dpy = m_connection.display();
    if (!dpy || maxKeycode < minKeycode) return 0;
    // One round trip for every note name; names never noted come back as None.
    QVector<QByteArray> names;
    QVector<char*> namePointers;
    for (int k = minKeycode; k <= maxKeycode; ++k) names.append(noteName(k));
    for (QByteArray& n : names) namePointers.append(n.data());
    QVector<Atom> atoms(names.size(), None);
    XInternAtoms(dpy, namePointers.data(), namePointers.size(), True, atoms.data());

    int restored = 0;
    const QVector<KeySym> empty(qMax(symsPerKeycode, 1), NoSymbol);
    for (int i = 0; i < atoms.size(); ++i) {
        if (atoms[i] == None) continue;
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, DefaultRootWindow(dpy), atoms[i], 0, 2, False, XA_CARDINAL,
                               &type, &format, &count, &after, &data) != Success)
            continue;
        const bool complete = data && format == 32 && count == 2;
        const Window owner = complete ? Window(reinterpret_cast<long*>(data)[0]) : 0;
        const KeySym keysym = complete ? KeySym(reinterpret_cast<long*>(data)[1]) : NoSymbol;
        if (data) XFree(data);
        if (!complete) continue;
        XWindowAttributes attributes;
        const bool ownerAlive =
            m_connection.trapErrors([&] { XGetWindowAttributes(dpy, owner, &attributes); }) == 0;
        if (ownerAlive) continue;  // a replay still running, in this or another process
        const int keycode = minKeycode + i;
        int per = 0;
        KeySym* now = XGetKeyboardMapping(dpy, KeyCode(keycode), 1, &per);
        const bool stillOurs = now && per > 0 && now[0] == keysym;
        if (now) XFree(now);
        if (stillOurs) {
            XChangeKeyboardMapping(dpy, keycode, empty.size(), const_cast<KeySym*>(empty.data()),
                                   1);
            ++restored;
        }
        XDeleteProperty(dpy, DefaultRootWindow(dpy), atoms[i]);
    }
    XSync(dpy, False);
    if (restored > 0)
        qCWarning(appLog).noquote()
            << "gave back" << restored << "keycodes that an ended replay had left bound";
    return restored;
}
