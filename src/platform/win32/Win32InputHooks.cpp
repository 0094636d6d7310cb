#include "platform/win32/Win32InputHooks.h"

#include <atomic>
#include <future>
#include <thread>

namespace {
std::thread hookThread;
DWORD hookThreadId = 0;
HHOOK keyboardHook = nullptr;
HHOOK mouseHook = nullptr;
Win32InputHooks::Handler handler;
std::atomic<HWND> excludedWindow{nullptr};
// Touched by the hook thread only, while it runs.
BYTE keyState[256] = {};
bool excludedKeys[256] = {};
bool excludedButtons[Win32HookEvent::Side + 1] = {};

unsigned short plainKey(DWORD vk) {
    switch (vk) {
        case VK_LSHIFT:
            return VK_SHIFT;
        case VK_LCONTROL:
            return VK_CONTROL;
        case VK_LMENU:
            return VK_MENU;
        default:
            return static_cast<unsigned short>(vk);
    }
}

// The key state ToUnicodeEx reads: the hooks see keys before the foreground program
// does, so the state is kept here rather than asked of Windows.
void trackKey(DWORD vk, bool down) {
    // A hook may see the plain code where a program injected it: count it as the left key.
    if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU)
        vk = vk == VK_SHIFT ? VK_LSHIFT : vk == VK_CONTROL ? VK_LCONTROL : VK_LMENU;
    const BYTE held = down ? 0x80 : 0;
    if (vk == VK_CAPITAL && down && !(keyState[vk] & 0x80)) keyState[vk] ^= 0x01;  // the toggle
    keyState[vk] = BYTE((keyState[vk] & 0x01) | held);
    const struct {
        BYTE plain, left, right;
    } pairs[] = {{VK_SHIFT, VK_LSHIFT, VK_RSHIFT},
                 {VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
                 {VK_MENU, VK_LMENU, VK_RMENU}};
    for (const auto& p : pairs)
        keyState[p.plain] = BYTE((keyState[p.left] | keyState[p.right]) & 0x80);
}

bool foregroundIsExcluded() {
    const HWND excluded = excludedWindow.load();
    return excluded && GetAncestor(GetForegroundWindow(), GA_ROOT) == excluded;
}

bool pointIsExcluded(POINT p) {
    const HWND excluded = excludedWindow.load();
    return excluded && GetAncestor(WindowFromPoint(p), GA_ROOT) == excluded;
}

LRESULT CALLBACK keyboardProcedure(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(data);
        const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
        const DWORD vk = k->vkCode & 0xff;
        trackKey(vk, down);
        if (down && foregroundIsExcluded()) excludedKeys[vk] = true;
        if (excludedKeys[vk]) {
            if (!down) excludedKeys[vk] = false;
        } else {
            Win32HookEvent e;
            e.kind = down ? Win32HookEvent::KeyDown : Win32HookEvent::KeyUp;
            e.time = k->time;
            e.virtualKey = plainKey(vk);
            e.keyCode = vk;
            if (down) {
                DWORD thread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
                // Flag 4: leave the kernel's dead-key state alone (Windows 10 1607 on).
                const int n =
                    ToUnicodeEx(vk, k->scanCode, keyState, e.text, 4, 4, GetKeyboardLayout(thread));
                e.textLength = n > 0 ? n : 0;
                // Control characters (Ctrl+A, Return, Backspace) are keys, not text.
                for (int i = 0; i < e.textLength; ++i)
                    if (e.text[i] < 0x20 || e.text[i] == 0x7f) e.textLength = 0;
            }
            handler(e);
        }
    }
    return CallNextHookEx(keyboardHook, code, message, data);
}

LRESULT CALLBACK mouseProcedure(int code, WPARAM message, LPARAM data) {
    if (code == HC_ACTION) {
        const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(data);
        Win32HookEvent e;
        e.time = m->time;
        e.position = m->pt;
        bool press = true;
        switch (message) {
            case WM_MOUSEMOVE:
                e.kind = Win32HookEvent::Motion;
                break;
            case WM_MOUSEWHEEL:
            case WM_MOUSEHWHEEL:
                e.kind = Win32HookEvent::Wheel;
                break;
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
                e.button = Win32HookEvent::Left;
                press = message == WM_LBUTTONDOWN;
                break;
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
                e.button = Win32HookEvent::Right;
                press = message == WM_RBUTTONDOWN;
                break;
            case WM_MBUTTONDOWN:
            case WM_MBUTTONUP:
                e.button = Win32HookEvent::Middle;
                press = message == WM_MBUTTONDOWN;
                break;
            case WM_XBUTTONDOWN:
            case WM_XBUTTONUP:
                e.button = Win32HookEvent::Side;
                press = message == WM_XBUTTONDOWN;
                break;
            default:
                return CallNextHookEx(mouseHook, code, message, data);
        }
        bool pass = true;
        if (e.button != Win32HookEvent::NoButton) {
            e.kind = press ? Win32HookEvent::ButtonDown : Win32HookEvent::ButtonUp;
            if (press && pointIsExcluded(m->pt)) excludedButtons[e.button] = true;
            if (excludedButtons[e.button]) {
                if (!press) excludedButtons[e.button] = false;
                pass = false;
            }
        }
        if (pass) handler(e);
    }
    return CallNextHookEx(mouseHook, code, message, data);
}

void runHooks(std::promise<bool>* installed) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    keyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardProcedure, module, 0);
    mouseHook = SetWindowsHookExW(WH_MOUSE_LL, mouseProcedure, module, 0);
    const bool ok = keyboardHook && mouseHook;
    MSG msg;
    // The thread's message queue exists once it has asked for a message.
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    hookThreadId = GetCurrentThreadId();
    installed->set_value(ok);
    if (ok) {
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    }
    if (keyboardHook) UnhookWindowsHookEx(keyboardHook);
    if (mouseHook) UnhookWindowsHookEx(mouseHook);
    keyboardHook = mouseHook = nullptr;
}
}  // namespace

bool Win32InputHooks::start(Handler h) {
    if (hookThread.joinable()) return false;
    handler = std::move(h);
    for (int vk = 0; vk < 256; ++vk) {
        keyState[vk] = BYTE((GetAsyncKeyState(vk) & 0x8000) ? 0x80 : 0);
        excludedKeys[vk] = false;
    }
    keyState[VK_CAPITAL] |= BYTE(GetKeyState(VK_CAPITAL) & 0x01);
    for (bool& b : excludedButtons) b = false;
    std::promise<bool> installed;
    std::future<bool> result = installed.get_future();
    hookThread = std::thread(runHooks, &installed);
    if (result.get()) return true;
    hookThread.join();
    handler = nullptr;
    return false;
}

void Win32InputHooks::stop() {
    if (!hookThread.joinable()) return;
    PostThreadMessageW(hookThreadId, WM_QUIT, 0, 0);
    hookThread.join();
    handler = nullptr;
}

bool Win32InputHooks::isRunning() {
    return hookThread.joinable();
}

void Win32InputHooks::setExcludedWindow(HWND window) {
    excludedWindow.store(window);
}

void Win32InputHooks::heldKeys(unsigned short* keys, int* count, int capacity) {
    *count = 0;
    for (int vk = 1; vk < 256 && *count < capacity; ++vk) {
        if (vk <= VK_XBUTTON2 && vk != VK_CANCEL) continue;                 // mouse buttons
        if (vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU) continue;  // the sides name them
        if (GetAsyncKeyState(vk) & 0x8000) keys[(*count)++] = plainKey(DWORD(vk));
    }
}
