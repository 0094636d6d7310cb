#include "win32/support/TestWindow.h"

namespace {
const wchar_t kClassName[] = L"FlowsmithWineTestWindow";
int pressCount = 0;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) ++pressCount;
    return DefWindowProcW(window, message, w, l);
}
}  // namespace

TestWindow::TestWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);  // fails harmlessly when a second window registers it again
    pressCount = 0;
    m_window = CreateWindowExW(0, kClassName, L"Flowsmith Wine test", WS_OVERLAPPEDWINDOW, 40, 40,
                               640, 120, nullptr, nullptr, wc.hInstance, nullptr);
    // Unicode control, so that characters outside Latin-1 arrive unchanged.
    m_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                             10, 10, 600, 30, m_window, nullptr, wc.hInstance, nullptr);
    ShowWindow(m_window, SW_SHOWNORMAL);
}

TestWindow::~TestWindow() {
    if (m_window) DestroyWindow(m_window);
    pumpFor(20);
}

bool TestWindow::focus() {
    if (!m_window || !m_edit) return false;
    SetForegroundWindow(m_window);
    SetFocus(m_edit);
    return pumpUntil([this] { return GetFocus() == m_edit; }, 3000);
}

std::wstring TestWindow::text() const {
    std::wstring text(size_t(GetWindowTextLengthW(m_edit)) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(m_edit, &text[0], int(text.size()))));
    return text;
}

void TestWindow::clear() {
    SetWindowTextW(m_edit, L"");
}

int TestWindow::presses() const {
    return pressCount;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}
