#include "FakeHotkeyBackend.h"

bool FakeHotkeyBackend::grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
                             QString* error) {
    grabs.append({hotkey, key, modifiers});
    if (!accepting) {
        if (error) *error = QStringLiteral("grabs are refused in this test");
        return false;
    }
    held.append(hotkey);
    return true;
}

void FakeHotkeyBackend::ungrab(GlobalHotkey* hotkey) {
    ungrabs.append(hotkey);
    held.removeAll(hotkey);
}
