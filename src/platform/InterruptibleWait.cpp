#include "platform/InterruptibleWait.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/TimerResolution.h"

namespace {
// One wake-up for the whole process: a run is stopped rarely, and every waiting
// thread then only re-reads its own flag.
std::mutex& wakeMutex() {
    static std::mutex m;
    return m;
}
std::condition_variable& wakeCondition() {
    static std::condition_variable c;
    return c;
}
}  // namespace

InterruptibleWait::InterruptibleWait(const std::atomic<bool>& running, TimerResolution& resolution)
    : m_running(running), m_resolution(resolution) {}

void InterruptibleWait::setSleepFunction(SleepFunction function) {
    m_sleep = std::move(function);
}

void InterruptibleWait::wakeAll() {
    // Taking the mutex orders the cleared flag before a waiter's check: a waiter
    // either saw it cleared or is already waiting when the notification comes.
    { std::lock_guard<std::mutex> lock(wakeMutex()); }
    wakeCondition().notify_all();
}

void InterruptibleWait::sleepUnlessWoken(std::chrono::nanoseconds duration) {
    std::unique_lock<std::mutex> lock(wakeMutex());
    wakeCondition().wait_for(lock, duration, [this] { return !m_running.load(); });
}

void InterruptibleWait::sleepChunk(std::chrono::milliseconds chunk) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + chunk;
    for (Clock::time_point now = Clock::now(); now < deadline && m_running.load();
         now = Clock::now()) {
        if (m_sleep)
            m_sleep(deadline - now);
        else
            sleepUnlessWoken(deadline - now);
    }
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
