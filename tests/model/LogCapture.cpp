#include "LogCapture.h"

#include <QMutexLocker>
#include <QStringList>
#include <atomic>

namespace {
std::atomic<LogCapture*> active{nullptr};
}

LogCapture::LogCapture() {
    outer = active.exchange(this);
    previous = qInstallMessageHandler(&LogCapture::handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous);
    active.store(outer);
}

void LogCapture::handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    LogCapture* self = active.load();
    if (!self) return;
    QMutexLocker locker(&self->lock);
    self->collected.append(
        {type, context.category ? QString::fromLatin1(context.category) : QString(), text});
}

QList<LogCapture::Entry> LogCapture::entries() const {
    QMutexLocker locker(&lock);
    return collected;
}

QStringList LogCapture::messages(const QString& category, QtMsgType type) const {
    QMutexLocker locker(&lock);
    QStringList out;
    for (const Entry& e : collected)
        if (e.category == category && e.type == type) out << e.message;
    return out;
}

void LogCapture::clear() {
    QMutexLocker locker(&lock);
    collected.clear();
}
