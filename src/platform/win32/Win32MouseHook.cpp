#include "platform/win32/Win32MouseHook.h"

namespace {
HHOOK hook = nullptr;
Win32MouseHook::PressHandler pressHandler;
}  // namespace

bool Win32MouseHook::install(PressHandler handler) {
    if (hook) return false;
    hook = SetWindowsHookExW(WH_MOUSE_LL, &Win32MouseHook::procedure, GetModuleHandleW(nullptr), 0);
    if (!hook) return false;
    pressHandler = std::move(handler);
    return true;
}

void Win32MouseHook::remove() {
    if (!hook) return;
    UnhookWindowsHookEx(hook);
    hook = nullptr;
    pressHandler = nullptr;
}

bool Win32MouseHook::isInstalled() {
    return hook != nullptr;
}

LRESULT CALLBACK Win32MouseHook::procedure(int code, WPARAM message, LPARAM data) {
    if (code >= 0 && (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) && pressHandler) {
        POINT p{};
        GetCursorPos(&p);
        // The handler may remove the hook; keep it alive for the call.
        const PressHandler handler = pressHandler;
        handler(message == WM_LBUTTONDOWN ? 1 : 2, p.x, p.y);
    }
    return CallNextHookEx(hook, code, message, data);
}
