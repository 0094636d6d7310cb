#pragma once

#include <mutex>

#include "platform/InputBackend.h"

// Keeps every batch instead of injecting it; the tests read them back.
class RecordingInputBackend : public InputBackend {
public:
    explicit RecordingInputBackend(QSize screen = QSize(1920, 1080)) : m_screen(screen) {}

    QSize screenSize() override {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_screen;
    }
    void setScreenSize(QSize size) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_screen = size;
    }
    QVector<InputBatch> batches() const {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_sent;
    }
    // Every record of every batch, in order. Gathered under the lock: a copy of the list
    // that detached later would read it while the run thread appends.
    InputBatch records() const {
        std::lock_guard<std::mutex> lock(m_lock);
        InputBatch all;
        for (const InputBatch& b : m_sent) all += b;
        return all;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_sent.clear();
    }

protected:
    bool inject(const InputBatch& batch) override {
        std::lock_guard<std::mutex> lock(m_lock);
        m_sent.append(batch);
        return true;
    }

private:
    mutable std::mutex m_lock;
    QSize m_screen;
    QVector<InputBatch> m_sent;
};
