#pragma once

#include <QList>
#include <QString>

#include "HotkeyBackend.h"

// Grabs nothing on the desktop: accepts or refuses every grab as told and keeps
// a list of what was asked, so hotkey tests never touch the real keyboard.
class FakeHotkeyBackend : public HotkeyBackend {
public:
    struct Grab {
        GlobalHotkey* hotkey;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };

    explicit FakeHotkeyBackend(bool accept = true) : accepting(accept) {}

    void setAccepting(bool accept) { accepting = accept; }
    bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
              QString* error) override;
    void ungrab(GlobalHotkey* hotkey) override;

    QList<Grab> grabs;
    QList<GlobalHotkey*> ungrabs;
    // Hotkeys grabbed and not released yet.
    QList<GlobalHotkey*> held;

private:
    bool accepting;
};
