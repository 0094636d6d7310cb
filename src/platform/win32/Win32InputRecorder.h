#pragma once

#include "platform/InputRecorder.h"

// Records the Windows desktop's input through the low-level keyboard and mouse hooks.
class Win32InputRecorder : public InputRecorder {
    Q_OBJECT
public:
    using InputRecorder::InputRecorder;
    ~Win32InputRecorder() override;

    bool start(QString* error) override;
    void stop() override;
    bool isRecording() const override;
    int doubleClickTime() const override;
    int doubleClickDistance() const override;
};
