#pragma once

// A top-level window holding one EDIT control that has the keyboard focus, so that
// injected keys and characters land in it; and the message pump the tests wait in.
#include <windows.h>

#include <functional>
#include <string>

// Dispatches this thread's messages (translating keys into characters), showing each to
// seen, until done() is true or the time is up; returns done()'s last value.
inline bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs,
                      const std::function<void(const MSG&)>& seen = nullptr) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (seen) seen(msg);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

inline void pumpFor(DWORD milliseconds, const std::function<void(const MSG&)>& seen = nullptr) {
    pumpUntil([] { return false; }, milliseconds, seen);
}

class TestWindow {
public:
    explicit TestWindow(const wchar_t* title = L"Flowsmith Wine test",
                        DWORD style = WS_OVERLAPPEDWINDOW, RECT frame = {40, 40, 680, 160}) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = HBRUSH(COLOR_WINDOW + 1);
        wc.lpszClassName = L"FlowsmithWineTestWindow";
        RegisterClassW(&wc);  // fails harmlessly when a second window registers it again
        s_presses = 0;
        m_window = CreateWindowExW(0, wc.lpszClassName, title, style, frame.left, frame.top,
                                   frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                   nullptr, wc.hInstance, nullptr);
        // Unicode control, so that characters outside Latin-1 arrive unchanged.
        m_edit =
            CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                            10, 600, 30, m_window, nullptr, wc.hInstance, nullptr);
        ShowWindow(m_window, SW_SHOWNORMAL);
    }
    ~TestWindow() {
        if (m_window) DestroyWindow(m_window);
        pumpFor(20);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // True when the window is up and its EDIT control has the focus.
    bool focus() {
        if (!m_window || !m_edit) return false;
        SetForegroundWindow(m_window);
        SetFocus(m_edit);
        return pumpUntil([this] { return GetFocus() == m_edit; }, 3000);
    }
    std::wstring text() const {
        std::wstring text(size_t(GetWindowTextLengthW(m_edit)) + 1, L'\0');
        text.resize(size_t(GetWindowTextW(m_edit, &text[0], int(text.size()))));
        return text;
    }
    // Button presses the window itself received (in its client area, outside the control).
    int presses() const { return s_presses; }
    HWND window() const { return m_window; }
    HWND edit() const { return m_edit; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) ++s_presses;
        return DefWindowProcW(window, message, w, l);
    }

    inline static int s_presses = 0;
    HWND m_window = nullptr;
    HWND m_edit = nullptr;
};
