#include "platform/StopSignals.h"

#include <atomic>
#include <csignal>

namespace {
std::atomic<bool> pending{false};

extern "C" void onSignal(int) {
    pending.store(true);
}

const int kSignals[] = {
    SIGINT, SIGTERM,
#ifdef SIGHUP
    SIGHUP,  // the terminal or the session went away
#endif
};
}  // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    pending.store(false);
    for (int s : kSignals) std::signal(s, onSignal);
    // Only an atomic store is safe inside a signal handler; the flag is picked up here.
    m_poll.setInterval(20);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (pending.exchange(false)) emit interrupted();
    });
    m_poll.start();
}

StopSignals::~StopSignals() {
    for (int s : kSignals) std::signal(s, SIG_DFL);
}
