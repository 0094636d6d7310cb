#pragma once

#include <QHash>

class X11Connection;

// Keeps a note on the X server, for each spare keycode this process binds, of the
// keysym and of a window that lives exactly as long as our connection. A process
// killed before it could restore its keycodes leaves its notes behind with a window
// that no longer exists: the next one to start gives those keycodes back their empty
// mapping, and only those still bound to the noted keysym, so a keycode that another
// program took over since is never touched. Notes sit in root-window properties,
// one per keycode, so they last as long as the keymap they describe.
class X11KeycodeLedger {
public:
    explicit X11KeycodeLedger(X11Connection& connection);

    // Creates the window that marks our notes as those of a live process.
    void open();
    // Gives back the keycodes of processes that ended without restoring them;
    // returns how many.
    int restoreAbandoned(int minKeycode, int maxKeycode, int symsPerKeycode);

    // Called before the keycode is bound, and after it was given its empty mapping.
    void noteBinding(int keycode, unsigned long keysym);
    void forget(int keycode);

private:
    unsigned long noteAtom(int keycode);

    X11Connection& m_connection;
    unsigned long m_owner = 0;
    QHash<int, unsigned long> m_atoms;  // keycode -> the name of its note
};
