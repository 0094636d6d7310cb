#include "platform/win32/Win32ButtonWatch.h"

#include "platform/win32/Win32MouseHook.h"

Win32ButtonWatch::~Win32ButtonWatch() {
    remove();
}

bool Win32ButtonWatch::install(QString* error) {
    if (Win32MouseHook::isInstalled()) {
        if (error) *error = QStringLiteral("the button watch is already installed");
        return false;
    }
    const bool ok = Win32MouseHook::install([this](int button, int x, int y) {
        emit buttonPressed(button == 1 ? Qt::LeftButton : Qt::RightButton, QPoint(x, y));
    });
    if (!ok && error) *error = QStringLiteral("Windows refused the low-level mouse hook");
    return ok;
}

void Win32ButtonWatch::remove() {
    Win32MouseHook::remove();
}

bool Win32ButtonWatch::isInstalled() const {
    return Win32MouseHook::isInstalled();
}
