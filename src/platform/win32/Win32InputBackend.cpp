#include "platform/win32/Win32InputBackend.h"

#include "platform/win32/Win32Input.h"

QSize Win32InputBackend::screenSize() {
    return QSize(Win32Input::screenWidth(), Win32Input::screenHeight());
}

bool Win32InputBackend::inject(const InputBatch& batch) {
    std::vector<INPUT> records(size_t(batch.size()));
    for (int i = 0; i < batch.size(); ++i) {
        const InputRecord& r = batch.at(i);
        INPUT& in = records[size_t(i)];
        ZeroMemory(&in, sizeof in);
        if (r.type == InputRecord::Keyboard) {
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = r.virtualKey;
            in.ki.wScan = r.scan;
            in.ki.dwFlags = r.flags;
        } else {
            in.type = INPUT_MOUSE;
            in.mi.dx = r.dx;
            in.mi.dy = r.dy;
            in.mi.mouseData = r.mouseData;
            in.mi.dwFlags = r.flags;
        }
    }
    return Win32Input::send(records);
}
