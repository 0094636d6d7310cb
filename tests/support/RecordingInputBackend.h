#pragma once

#include <QMutex>
#include <QMutexLocker>

#include "platform/InputBackend.h"

// Keeps every batch instead of injecting it; the tests read them back.
class RecordingInputBackend : public InputBackend {
public:
    explicit RecordingInputBackend(QSize screen = QSize(1920, 1080)) : m_screen(screen) {}

    QSize screenSize() override {
        QMutexLocker lock(&m_lock);
        return m_screen;
    }
    void setScreenSize(QSize size) {
        QMutexLocker lock(&m_lock);
        m_screen = size;
    }
    QVector<InputBatch> batches() const {
        QMutexLocker lock(&m_lock);
        return m_sent;
    }
    // Every record of every batch, in order.
    InputBatch records() const {
        InputBatch all;
        for (const InputBatch& b : batches()) all += b;
        return all;
    }
    void clear() {
        QMutexLocker lock(&m_lock);
        m_sent.clear();
    }

protected:
    bool inject(const InputBatch& batch) override {
        QMutexLocker lock(&m_lock);
        m_sent.append(batch);
        return true;
    }

private:
    mutable QMutex m_lock;
    QSize m_screen;
    QVector<InputBatch> m_sent;
};
