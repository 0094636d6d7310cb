#pragma once

#include <QList>

#include "platform/HotkeyBackend.h"

// Grants or refuses grabs as told and remembers them; the real keyboard is never touched.
class FakeHotkeyBackend : public HotkeyBackend {
public:
    bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
              QString* error) override {
        grabs.append(int(key) | int(modifiers));
        if (accepting) held.append(hotkey);
        if (!accepting) *error = QStringLiteral("grabs are refused in this test");
        return accepting;
    }
    void ungrab(GlobalHotkey* hotkey) override {
        ++ungrabs;
        held.removeAll(hotkey);
    }

    bool accepting = true;
    QList<int> grabs;           // key | modifiers of every grab asked for
    QList<GlobalHotkey*> held;  // granted and not released yet
    int ungrabs = 0;
};
