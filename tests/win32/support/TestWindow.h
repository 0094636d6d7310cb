#pragma once

// A top-level window holding one EDIT control that has the keyboard focus, so that
// injected keys and characters land in it; and the message pump the tests wait in.
#include <windows.h>

#include <functional>
#include <string>

class TestWindow {
public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    // True when the window is up and its EDIT control has the focus.
    bool focus();
    std::wstring text() const;
    void clear();
    // Button presses the window itself received (in its client area, outside the control).
    int presses() const;
    HWND window() const { return m_window; }

private:
    HWND m_window = nullptr;
    HWND m_edit = nullptr;
};

// Dispatches this thread's messages (translating keys into characters) until done()
// is true or the time is up; returns done()'s last value.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void pumpFor(DWORD milliseconds);
