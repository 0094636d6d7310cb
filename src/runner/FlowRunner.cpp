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

FlowRunner::Steps FlowRunner::snapshot(const Flow& flow) {
    Steps steps;
    steps.reserve(size_t(flow.operationCount()));
    for (const Operation* op : flow.operations()) steps.push_back(op->clone());
    return steps;
}

bool FlowRunner::start(const Flow& flow, QString* whyNot) {
    return start(snapshot(flow), whyNot);
}

bool FlowRunner::start(Steps steps, QString* whyNot) {
    std::lock_guard<std::mutex> lock(m_runMutex);
    std::atomic<bool>& running = AppConfig::instance().running;
    if (running.exchange(true)) {
        if (whyNot) *whyNot = tr("已有回放正在进行");
        return false;
    }
    if (m_worker.joinable()) m_worker.join();  // a finished run whose end was not handled yet
    m_steps = std::move(steps);
    if (!m_keptAwake) {
        Platform::keepAwake().request();
        m_keptAwake = true;
    }
    try {
        auto work = [this] { runSteps(); };
        m_worker = m_startThread ? m_startThread(work) : std::thread(work);
    } catch (const std::system_error& e) {
        qCWarning(appLog) << "cannot start the run thread:" << e.what();
        if (whyNot)
            *whyNot = tr("系统无法创建回放线程（%1）").arg(QString::fromLocal8Bit(e.what()));
        running.exchange(false);
        m_steps.clear();
        Platform::keepAwake().release();
        m_keptAwake = false;
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
        m_steps.clear();
    }
    if (interrupted) Platform::input().releaseHeld();
    if (m_keptAwake) {
        Platform::keepAwake().release();
        m_keptAwake = false;
    }
}

void FlowRunner::runSteps() {
    // After a stop the loop keeps walking, but every remaining operation returns at
    // once without waiting or executing.
    const int count = int(m_steps.size());
    for (int i = 0; i < count; ++i) {
        Operation* op = m_steps[size_t(i)].get();
        const QString text = op->description();
        qCDebug(appLog).noquote() << text;
        if (AppConfig::instance().running.load()) emit sigStepStarted(i, count, text);
        op->waitAndExecute();
    }
    QMetaObject::invokeMethod(this, &FlowRunner::sigEndOfFlow, Qt::QueuedConnection);
}
