#pragma once

#include <QString>
#include <Qt>

class GlobalHotkey;

// Grabs keys system-wide for GlobalHotkey. The backend emits the hotkey's
// activated() signal on the GUI thread, once per press.
class HotkeyBackend {
public:
    virtual ~HotkeyBackend() = default;
    // False, with the reason in *error, when the key cannot be grabbed.
    virtual bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
                      QString* error) = 0;
    virtual void ungrab(GlobalHotkey* hotkey) = 0;
};
