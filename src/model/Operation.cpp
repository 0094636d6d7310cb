#include "Operation.h"

#include "AppConfig.h"
#include "InterruptibleWait.h"
#include "Platform.h"

Operation::Operation(QObject* parent) : QObject(parent) {}

void Operation::waitAndExecute() {
    const std::atomic<bool>& running = AppConfig::instance().running;
    InterruptibleWait wait(running, Platform::timerResolution());
    if (wait.wait(intervalMs)) execute();
}
