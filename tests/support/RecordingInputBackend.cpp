#include "support/RecordingInputBackend.h"

#include <QMutexLocker>

QSize RecordingInputBackend::screenSize() {
    QMutexLocker l(&lock);
    return screen;
}

void RecordingInputBackend::setScreenSize(QSize size) {
    QMutexLocker l(&lock);
    screen = size;
}

QVector<InputBatch> RecordingInputBackend::batches() const {
    QMutexLocker l(&lock);
    return sent;
}

InputBatch RecordingInputBackend::records() const {
    QMutexLocker l(&lock);
    InputBatch all;
    for (const InputBatch& b : sent) all += b;
    return all;
}

void RecordingInputBackend::clear() {
    QMutexLocker l(&lock);
    sent.clear();
}

bool RecordingInputBackend::inject(const InputBatch& batch) {
    QMutexLocker l(&lock);
    sent.append(batch);
    return true;
}
