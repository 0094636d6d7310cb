#pragma once

#include <QString>
#include <Qt>

class GlobalHotkey;

// Grabs keys system-wide for GlobalHotkey. The backend emits the hotkey's
// activated() signal on the GUI thread, once per press.
class HotkeyBackend {
public:
    virtual ~HotkeyBackend() = default;
    // False, with the reason in *error, when the key cannot be grabbed. When the
    // hotkey's anyModifiers() is set, the key is also grabbed with every other
    // combination of modifiers and lock keys that no other program holds. Called
    // again for a hotkey already grabbed when that setting changes: the key stays
    // grabbed throughout, and on failure the earlier grab is kept.
    virtual bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
                      QString* error) = 0;
    virtual void ungrab(GlobalHotkey* hotkey) = 0;
};
