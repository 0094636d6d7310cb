#include "runner/FlowRunner.h"

#include <algorithm>
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
    return start(std::move(steps), RunOptions(), whyNot);
}

bool FlowRunner::start(Steps steps, const RunOptions& options, QString* whyNot) {
    const int count = int(steps.size());
    QString problem;
    if (options.repeat < 0)
        problem = tr("重复次数不能为负数（%1）").arg(options.repeat);
    else if (!(options.speed >= RunOptions::kMinSpeed && options.speed <= RunOptions::kMaxSpeed))
        problem = tr("回放速度须在 %1 到 %2 倍之间（%3）")
                      .arg(RunOptions::kMinSpeed)
                      .arg(RunOptions::kMaxSpeed)
                      .arg(options.speed);
    else if (options.fromRow < 1 || options.fromRow > std::max(count, 1))
        problem = tr("起始行 %1 不在流程的 1 到 %2 行之间").arg(options.fromRow).arg(count);
    if (!problem.isEmpty()) {
        if (whyNot) *whyNot = problem;
        return false;
    }
    for (const std::unique_ptr<Operation>& step : steps)
        step->setInterval(options.scaledInterval(step->interval()));

    std::lock_guard<std::mutex> lock(m_runMutex);
    std::atomic<bool>& running = AppConfig::instance().running;
    if (running.exchange(true)) {
        if (whyNot) *whyNot = tr("已有回放正在进行");
        return false;
    }
    if (m_worker.joinable()) m_worker.join();  // a finished run whose end was not handled yet
    m_steps = std::move(steps);
    m_options = options;
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
    // After a stop the pass keeps walking, but every remaining operation returns at
    // once without waiting or executing, and no further pass begins.
    const std::atomic<bool>& running = AppConfig::instance().running;
    const int count = int(m_steps.size());
    const int passes = count == 0 ? 1 : m_options.repeat;
    for (int pass = 1; (passes == 0 || pass <= passes) && running.load(); ++pass) {
        emit sigPassStarted(pass, m_options.repeat);
        for (int i = m_options.fromRow - 1; i < count; ++i) {
            Operation* op = m_steps[size_t(i)].get();
            const QString text = op->description();
            qCDebug(appLog).noquote() << text;
            if (running.load()) emit sigStepStarted(i, count, text);
            op->waitAndExecute();
        }
    }
    QMetaObject::invokeMethod(this, &FlowRunner::sigEndOfFlow, Qt::QueuedConnection);
}
