#include "support/RecordingInputBackend.h"

#include <QMutexLocker>

QSize RecordingInputBackend::screenSize() {
    QMutexLocker l(&m_lock);
    return m_screen;
}

void RecordingInputBackend::setScreenSize(QSize size) {
    QMutexLocker l(&m_lock);
    m_screen = size;
}

QVector<InputBatch> RecordingInputBackend::batches() const {
    QMutexLocker l(&m_lock);
    return m_sent;
}

InputBatch RecordingInputBackend::records() const {
    QMutexLocker l(&m_lock);
    InputBatch all;
    for (const InputBatch& b : m_sent) all += b;
    return all;
}

void RecordingInputBackend::clear() {
    QMutexLocker l(&m_lock);
    m_sent.clear();
}

bool RecordingInputBackend::inject(const InputBatch& batch) {
    QMutexLocker l(&m_lock);
    m_sent.append(batch);
    return true;
}
