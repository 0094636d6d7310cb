#pragma once

#include "platform/HotkeyBackend.h"

// Where keys cannot be grabbed: every registration fails with the reason given.
class UnavailableHotkeyBackend : public HotkeyBackend {
public:
    explicit UnavailableHotkeyBackend(QString reason) : m_reason(std::move(reason)) {}

    bool grab(GlobalHotkey*, Qt::Key, Qt::KeyboardModifiers, QString* error) override {
        if (error) *error = m_reason;
        return false;
    }
    void ungrab(GlobalHotkey*) override {}

private:
    QString m_reason;
};
