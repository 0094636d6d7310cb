#pragma once

#include "platform/ButtonWatch.h"

// Where presses cannot be watched: installing always fails with the reason given.
class UnavailableButtonWatch : public ButtonWatch {
    Q_OBJECT
public:
    explicit UnavailableButtonWatch(QString reason, QObject* parent = nullptr)
        : ButtonWatch(parent), m_reason(std::move(reason)) {}

    bool install(QString* error) override {
        if (error) *error = m_reason;
        return false;
    }
    void remove() override {}
    bool isInstalled() const override { return false; }

private:
    QString m_reason;
};
