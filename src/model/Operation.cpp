#include "model/Operation.h"

#include "core/AppConfig.h"
#include "platform/InterruptibleWait.h"
#include "platform/Platform.h"

Operation::Operation(QObject* parent) : QObject(parent) {}

void Operation::waitAndExecute() {
    const std::atomic<bool>& running = AppConfig::instance().running;
    InterruptibleWait wait(running, Platform::timerResolution());
    if (wait.wait(m_interval)) execute();
}
