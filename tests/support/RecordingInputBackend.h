#pragma once

#include <QMutex>

#include "platform/InputBackend.h"

// Keeps every batch instead of injecting it; the tests read them back.
class RecordingInputBackend : public InputBackend {
public:
    explicit RecordingInputBackend(QSize screen = QSize(1920, 1080)) : m_screen(screen) {}

    QSize screenSize() override;
    void setScreenSize(QSize size);

    QVector<InputBatch> batches() const;
    // Every record of every batch, in order.
    InputBatch records() const;
    void clear();

protected:
    bool inject(const InputBatch& batch) override;

private:
    mutable QMutex m_lock;
    QSize m_screen;
    QVector<InputBatch> m_sent;
};
