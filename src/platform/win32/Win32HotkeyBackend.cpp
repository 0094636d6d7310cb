#include "platform/win32/Win32HotkeyBackend.h"

#include <QCoreApplication>
#include <algorithm>
#include <string>

#include "platform/GlobalHotkey.h"
#include "platform/win32/Win32Hotkeys.h"

namespace {

UINT virtualKeyOf(Qt::Key key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + UINT(key - Qt::Key_F1);
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return UINT(key);  // the virtual keys of letters and digits are their characters
    switch (key) {
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Tab:
            return VK_TAB;
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        case Qt::Key_Pause:
            return VK_PAUSE;
        case Qt::Key_Print:
            return VK_SNAPSHOT;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_ScrollLock:
            return VK_SCROLL;
        default:
            return 0;
    }
}

UINT modifiersOf(Qt::KeyboardModifiers modifiers) {
    UINT m = 0;
    if (modifiers & Qt::ShiftModifier) m |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier) m |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier) m |= MOD_ALT;
    if (modifiers & Qt::MetaModifier) m |= MOD_WIN;
    return m;
}

}  // namespace

Win32HotkeyBackend::Win32HotkeyBackend() {
    if (QCoreApplication* app = QCoreApplication::instance()) app->installNativeEventFilter(this);
}

Win32HotkeyBackend::~Win32HotkeyBackend() {
    for (const Registration& r : qAsConst(m_registrations)) {
        Win32Hotkeys::remove(r.id);
        for (int id : r.otherIds) Win32Hotkeys::remove(id);
    }
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
}

void Win32HotkeyBackend::updateOtherCombinations(Registration& r, bool anyModifiers) {
    if (anyModifiers && r.otherIds.empty()) {
        r.otherIds = Win32Hotkeys::addOtherCombinations(m_nextId, r.modifiers, r.virtualKey);
        m_nextId += Win32Hotkeys::kCombinations;
    } else if (!anyModifiers) {
        for (int id : r.otherIds) Win32Hotkeys::remove(id);
        r.otherIds.clear();
    }
}

bool Win32HotkeyBackend::grab(GlobalHotkey* hotkey, Qt::Key key, Qt::KeyboardModifiers modifiers,
                              QString* error) {
    const UINT vk = virtualKeyOf(key);
    if (!vk) {
        if (error) *error = QStringLiteral("the key has no virtual-key code");
        return false;
    }
    const UINT mods = modifiersOf(modifiers);
    auto it = m_registrations.find(hotkey);
    if (it != m_registrations.end() && it->virtualKey == vk && it->modifiers == mods) {
        // Only the setting changed: the hotkey's own registration stays in place.
        updateOtherCombinations(*it, hotkey->anyModifiers());
        return true;
    }
    ungrab(hotkey);
    Registration r{vk, mods, m_nextId++, {}};
    std::string why;
    if (!Win32Hotkeys::add(r.id, mods, vk, &why)) {
        if (error) *error = QString::fromStdString(why);
        return false;
    }
    updateOtherCombinations(r, hotkey->anyModifiers());
    m_registrations.insert(hotkey, r);
    return true;
}

void Win32HotkeyBackend::ungrab(GlobalHotkey* hotkey) {
    const auto it = m_registrations.find(hotkey);
    if (it == m_registrations.end()) return;
    updateOtherCombinations(*it, false);
    Win32Hotkeys::remove(it->id);
    m_registrations.erase(it);
}

bool Win32HotkeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, long*) {
    if (eventType != "windows_generic_MSG") return false;
    const int id = Win32Hotkeys::idOf(*static_cast<MSG*>(message));
    if (id < 0) return false;
    for (auto it = m_registrations.constBegin(); it != m_registrations.constEnd(); ++it) {
        const std::vector<int>& others = it->otherIds;
        if (it->id == id || std::find(others.begin(), others.end(), id) != others.end()) {
            emit it.key()->activated();
            return true;
        }
    }
    return false;
}
