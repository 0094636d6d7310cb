#include "platform/GlobalHotkey.h"

#include "core/AppLog.h"
#include "platform/HotkeyBackend.h"
#include "platform/Platform.h"

GlobalHotkey::GlobalHotkey(QObject* parent) : QObject(parent) {}

GlobalHotkey::GlobalHotkey(const QKeySequence& shortcut, bool autoRegister, QObject* parent)
    : QObject(parent) {
    setShortcut(shortcut, autoRegister);
}

GlobalHotkey::~GlobalHotkey() {
    if (m_registered) Platform::hotkeys().ungrab(this);
}

bool GlobalHotkey::setShortcut(const QKeySequence& shortcut, bool autoRegister) {
    if (m_registered) setRegistered(false);
    m_shortcut = shortcut;
    return autoRegister ? setRegistered(true) : true;
}

bool GlobalHotkey::setRegistered(bool registerIt) {
    if (registerIt == m_registered) return true;
    if (!registerIt) {
        Platform::hotkeys().ungrab(this);
        m_registered = false;
        return true;
    }
    m_registered = grab();
    return m_registered;
}

bool GlobalHotkey::setAnyModifiers(bool any) {
    if (any == m_anyModifiers) return true;
    m_anyModifiers = any;
    if (!m_registered || grab()) return true;
    m_anyModifiers = !any;  // the backend kept the earlier grab
    return false;
}

bool GlobalHotkey::grab() {
    const int combined = m_shortcut.isEmpty() ? 0 : m_shortcut[0];
    const auto key = Qt::Key(combined & ~Qt::KeyboardModifierMask);
    const auto modifiers = Qt::KeyboardModifiers(combined & Qt::KeyboardModifierMask);
    QString error;
    if (combined == 0 || key == 0)
        error = QStringLiteral("the key sequence is empty");
    else if (Platform::hotkeys().grab(this, key, modifiers, &error))
        return true;
    qCWarning(appLog).noquote() << "global hotkey"
                                << m_shortcut.toString(QKeySequence::PortableText)
                                << "not registered:" << error;
    return false;
}
