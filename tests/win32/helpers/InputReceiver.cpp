// A Win32 window that reports the input it receives, for the whole-program tests under
// Wine (scripts/test-windows.sh): it fills the primary screen, keeps the keyboard focus
// in an EDIT control at the top, and prints on stdout
//   ready                      once it is shown and focused
//   click X Y                  for each left press outside the control (screen pixels)
//   text HEX                   the control's text in UTF-8, hexadecimal, after each change
#include <windowsx.h>

#include <cstdio>

#include "win32/support/TestWindow.h"

int main() {
    TestWindow window(L"Flowsmith input receiver", WS_POPUP,
                      {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    window.focus();
    std::printf("ready\n");
    std::fflush(stdout);
    std::wstring shown;
    const auto printTextWhenChanged = [&] {
        const std::wstring text = window.text();
        if (text == shown) return false;
        shown = text;
        std::string utf8(text.size() * 4, '\0');
        utf8.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0],
                                               int(utf8.size()), nullptr, nullptr)));
        std::printf("text ");
        for (unsigned char c : utf8) std::printf("%02x", c);
        std::printf("\n");
        std::fflush(stdout);
        return false;
    };
    pumpUntil(printTextWhenChanged, INFINITE, [&](const MSG& msg) {
        if (msg.message != WM_LBUTTONDOWN || msg.hwnd != window.window()) return;
        POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ClientToScreen(msg.hwnd, &p);
        std::printf("click %ld %ld\n", p.x, p.y);
        std::fflush(stdout);
        SetFocus(window.edit());  // a click that activated the window gave it the focus
    });
}
