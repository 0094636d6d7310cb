#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include "platform/HotkeyBackend.h"
#include "platform/x11/X11Connection.h"

class QSocketNotifier;

// Grabs hotkeys on the root window over a connection of its own, watched by the
// event loop of the thread that created the backend (the GUI thread), so it works
// with any Qt platform plugin and in programs without widgets.
class X11HotkeyBackend : public QObject, public HotkeyBackend {
    Q_OBJECT
public:
    explicit X11HotkeyBackend(QObject* parent = nullptr);
    ~X11HotkeyBackend() override;

    bool open(QString* error);
    const X11Connection& connection() const { return m_connection; }

    bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
              QString* error) override;
    void ungrab(GlobalHotkey* hotkey) override;

private slots:
    void onEventsReady();

private:
    // One grab on the X server: a keycode with one exact modifier mask.
    struct Combo {
        int keycode = 0;
        unsigned modifiers = 0;
        bool operator==(const Combo& o) const {
            return keycode == o.keycode && modifiers == o.modifiers;
        }
    };
    friend uint qHash(const Combo& c, uint hashSeed) {
        return qHash(c.keycode * 256u + c.modifiers, hashSeed);
    }
    // What one hotkey holds: the masks it was grabbed with and how it matches.
    struct Grabbed {
        int keycode = 0;
        unsigned modifiers = 0;     // the hotkey's own, matched exactly unless anyModifiers
        bool anyModifiers = false;  // any state of the modifiers matches
        QVector<unsigned> masks;
    };

    void readModifierBits();
    unsigned xModifiers(Qt::KeyboardModifiers modifiers) const;
    QVector<unsigned> lockCombinations() const;
    // Takes a share of the grab of combo, grabbing it first when nobody here holds
    // it; the X error code (0 when held).
    int acquire(const Combo& combo);
    void release(int keycode, const QVector<unsigned>& masks);

    X11Connection m_connection;
    QSocketNotifier* m_notifier = nullptr;
    unsigned m_altMask = 0, m_metaMask = 0, m_numLockMask = 0;
    QHash<GlobalHotkey*, Grabbed> m_hotkeys;
    QHash<Combo, int> m_grabCount;  // hotkeys of ours sharing each grab
    QSet<int> m_keysDown;           // grabbed keycodes pressed and not yet released
};
