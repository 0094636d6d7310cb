#pragma once

#include "platform/InputRecorder.h"

// Where input cannot be recorded (Wayland, no display): starting always fails with
// the reason given.
class UnavailableInputRecorder : public InputRecorder {
    Q_OBJECT
public:
    explicit UnavailableInputRecorder(QString reason, QObject* parent = nullptr)
        : InputRecorder(parent), m_reason(std::move(reason)) {}

    bool start(QString* error) override {
        if (error) *error = m_reason;
        return false;
    }
    void stop() override {}
    bool isRecording() const override { return false; }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

private:
    QString m_reason;
};
