#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>

namespace {
std::atomic<bool> pending{false};

extern "C" void onSignal(int) {
    pending.store(true);
}
}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    pending.store(false);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    // Only an atomic store is safe inside a signal handler; the flag is picked up here.
    m_poll.setInterval(20);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (pending.exchange(false)) emit interrupted();
    });
    m_poll.start();
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}
