#include "platform/win32/Win32InputRecorder.h"

#include "platform/win32/Win32InputHooks.h"

static_assert(int(Win32HookEvent::Wheel) == int(RecordedEvent::Wheel) &&
                  int(Win32HookEvent::Side) == int(RecordedEvent::Side),
              "the hooks name kinds and buttons in the order the recorder does");

Win32InputRecorder::~Win32InputRecorder() {
    stop();
}

bool Win32InputRecorder::start(QString* error) {
    if (Win32InputHooks::isRunning()) {
        if (error) *error = QStringLiteral("a recording is already on");
        return false;
    }
    unsigned short keys[256];
    int count = 0;
    Win32InputHooks::heldKeys(keys, &count, 256);
    begin(GetTickCount(), QVector<quint16>(keys, keys + count));
    Win32InputHooks::setExcludedWindow(reinterpret_cast<HWND>(excludedWindow()));
    const bool ok = Win32InputHooks::start([this](const Win32HookEvent& e) {
        RecordedEvent event;
        event.kind = RecordedEvent::Kind(e.kind);
        event.virtualKey = e.virtualKey;
        event.keyCode = e.keyCode;
        event.text = QString::fromWCharArray(e.text, e.textLength);
        event.button = RecordedEvent::Button(e.button);
        event.position = QPoint(e.position.x, e.position.y);
        report(std::move(event), e.time);
    });
    if (!ok && error) *error = QStringLiteral("Windows refused the low-level input hooks");
    return ok;
}

void Win32InputRecorder::stop() {
    Win32InputHooks::stop();
}

bool Win32InputRecorder::isRecording() const {
    return Win32InputHooks::isRunning();
}

int Win32InputRecorder::doubleClickTime() const {
    return int(GetDoubleClickTime());
}

int Win32InputRecorder::doubleClickDistance() const {
    // The metric is the width of the rectangle centred on the first click.
    return GetSystemMetrics(SM_CXDOUBLECLK) / 2;
}
