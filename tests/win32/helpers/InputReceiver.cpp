// A Win32 window that reports the input it receives, for the whole-program tests under
// Wine (scripts/test-windows.sh): it fills the primary screen, keeps the keyboard focus
// in an EDIT control at the top, and prints on stdout
//   ready                      once it is shown and focused
//   click X Y                  for each left press outside the control (screen pixels)
//   text HEX                   the control's text in UTF-8, hexadecimal, after each change
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
HWND edit = nullptr;

void printText() {
    std::wstring text(size_t(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(edit, &text[0], int(text.size()))));
    std::string utf8(size_t(text.size()) * 4, '\0');
    utf8.resize(size_t(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0],
                                           int(utf8.size()), nullptr, nullptr)));
    std::printf("text ");
    for (unsigned char c : utf8) std::printf("%02x", c);
    std::printf("\n");
    std::fflush(stdout);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_LBUTTONDOWN: {
            POINT p{short(LOWORD(l)), short(HIWORD(l))};
            ClientToScreen(window, &p);
            std::printf("click %ld %ld\n", p.x, p.y);
            std::fflush(stdout);
            SetFocus(edit);
            return 0;
        }
        case WM_COMMAND:
            if (HIWORD(w) == EN_CHANGE) printText();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, w, l);
}
}  // namespace

int main() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
    wc.lpszClassName = L"FlowsmithInputReceiver";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Flowsmith input receiver", WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                  nullptr, nullptr, wc.hInstance, nullptr);
    edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 20,
                           20, 900, 30, window, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    SetFocus(edit);
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
