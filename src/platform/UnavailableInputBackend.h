#pragma once

#include <QAtomicInt>

#include "platform/InputBackend.h"

// Stands in where no desktop backend applies (Wayland, no display, unknown
// platform): every batch is refused, and the first refusal says why in the log.
class UnavailableInputBackend : public InputBackend {
public:
    explicit UnavailableInputBackend(QString reason) : m_reason(std::move(reason)) {}

    QSize screenSize() override { return QSize(); }
    bool isAvailable() const override { return false; }
    QString unavailableReason() const override { return m_reason; }

protected:
    bool inject(const InputBatch& batch) override;

private:
    QString m_reason;
    QAtomicInt m_reported{0};
};
