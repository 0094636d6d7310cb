#include "model/Operation.h"

#include "core/AppConfig.h"
#include "platform/InterruptibleWait.h"
#include "platform/Platform.h"

namespace {
// The run flag of the step this thread is executing, or null outside a run.
thread_local const std::atomic<bool>* t_runFlag = nullptr;
}  // namespace

Operation::Operation(QObject* parent) : QObject(parent) {}

void Operation::waitAndExecute() {
    const std::atomic<bool>& running = AppConfig::instance().running;
    InterruptibleWait wait(running, Platform::timerResolution());
    if (!wait.wait(m_interval)) return;
    struct StepScope {
        explicit StepScope(const std::atomic<bool>* flag) { t_runFlag = flag; }
        ~StepScope() { t_runFlag = nullptr; }
    } scope(&running);
    execute();
}

bool Operation::stopRequested() {
    return t_runFlag && !t_runFlag->load();
}
