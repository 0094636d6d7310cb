#include "runner/FlowRunner.h"

#include <system_error>

#include "core/AppConfig.h"
#include "core/AppLog.h"
#include "model/Flow.h"
#include "model/Operation.h"
#include "platform/InputBackend.h"
#include "platform/InterruptibleWait.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"

FlowRunner::FlowRunner(QObject* parent) : QObject(parent) {}

FlowRunner::~FlowRunner() {
    stop();
}

bool FlowRunner::isRunning() const {
    return AppConfig::instance().running.load();
}

bool FlowRunner::start(Flow* flow) {
    if (!m_keptAwake) {
        Platform::keepAwake().request();
        m_keptAwake = true;
    }
    std::lock_guard<std::mutex> lock(m_runMutex);
    std::atomic<bool>& running = AppConfig::instance().running;
    if (running.exchange(true)) return false;
    if (m_worker.joinable()) m_worker.join();  // a finished run whose end was not handled yet
    try {
        m_worker = std::thread(&FlowRunner::runFlow, this, flow);
    } catch (const std::system_error& e) {
        running.exchange(false);
        qCWarning(appLog) << "cannot start the run thread:" << e.what();
        return false;
    }
    return true;
}

void FlowRunner::stop() {
    bool interrupted = false;
    {
        std::unique_lock<std::mutex> lock(m_runMutex);
        interrupted = AppConfig::instance().running.exchange(false);
        lock.unlock();
        InterruptibleWait::wakeAll();  // a worker in a long wait returns now
        if (m_worker.joinable()) m_worker.join();
    }
    if (interrupted) Platform::input().releaseHeld();
    if (m_keptAwake) {
        Platform::keepAwake().release();
        m_keptAwake = false;
    }
}

void FlowRunner::runFlow(Flow* flow) {
    // The list is read without a lock: the designer is hidden during a run and
    // cannot edit it. After a stop the loop keeps walking, but every remaining
    // operation returns at once without waiting or executing.
    for (int i = 0; flow && i < flow->operationCount(); ++i) {
        Operation* op = flow->operationAt(i);
        if (!op) continue;
        const QString text = op->description();
        qCDebug(appLog).noquote() << text;
        if (AppConfig::instance().running.load())
            emit sigStepStarted(i, flow->operationCount(), text);
        op->waitAndExecute();
    }
    QMetaObject::invokeMethod(this, &FlowRunner::sigEndOfFlow, Qt::QueuedConnection);
}
