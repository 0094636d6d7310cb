#pragma once

#include <QAbstractNativeEventFilter>
#include <QHash>

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
    QHash<GlobalHotkey*, int> m_ids;
    int m_nextId = 1;
};
