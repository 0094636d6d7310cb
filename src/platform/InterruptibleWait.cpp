#include "platform/InterruptibleWait.h"

#include <algorithm>
#include <thread>

#include "platform/TimerResolution.h"

InterruptibleWait::InterruptibleWait(const std::atomic<bool>& running, TimerResolution& resolution)
    : m_running(running),
      m_resolution(resolution),
      m_sleep([](std::chrono::nanoseconds d) { std::this_thread::sleep_for(d); }) {}

void InterruptibleWait::setSleepFunction(SleepFunction function) {
    m_sleep = std::move(function);
}

void InterruptibleWait::sleepChunk(std::chrono::milliseconds chunk) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + chunk;
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now())
        m_sleep(deadline - now);
}

bool InterruptibleWait::wait(int milliseconds) {
    if (milliseconds < 1) return m_running.load();

    struct ResolutionGuard {
        TimerResolution& r;
        bool raised;
        ~ResolutionGuard() {
            if (raised) r.end();
        }
    } guard{m_resolution, m_resolution.begin()};

    int remaining = milliseconds;
    while (m_running.load() && remaining >= 1) {
        const int chunk = std::min(remaining, kChunkMs);
        sleepChunk(std::chrono::milliseconds(chunk));
        remaining -= chunk;
    }
    return m_running.load();
}
