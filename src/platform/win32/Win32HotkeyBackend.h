#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <vector>

#include "platform/HotkeyBackend.h"

// Registers hotkeys with RegisterHotKey and picks their WM_HOTKEY messages out of
// the GUI thread's message queue.
class Win32HotkeyBackend : public HotkeyBackend, public QAbstractNativeEventFilter {
public:
    Win32HotkeyBackend();
    ~Win32HotkeyBackend() override;

    bool grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
              QString* error) override;
    void ungrab(GlobalHotkey* hotkey) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

private:
    struct Registration {
        unsigned virtualKey = 0;
        unsigned modifiers = 0;
        int id = 0;                 // the hotkey's own combination
        std::vector<int> otherIds;  // every other combination, while anyModifiers is set
    };
    // Registers or drops the other combinations as the hotkey's setting asks.
    void updateOtherCombinations(Registration& registration, bool anyModifiers);

    QHash<GlobalHotkey*, Registration> m_registrations;
    int m_nextId = 1;
};
