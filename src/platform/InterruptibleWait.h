#pragma once

#include <atomic>
#include <chrono>
#include <functional>

class TimerResolution;

// Waits a number of milliseconds in chunks of at most 50 ms, giving up between
// chunks once the run flag is cleared. Each chunk is measured on the steady clock
// and resumed when the sleep wakes early. A stop that calls wakeAll() after
// clearing the flag ends a chunk at once instead of at its end.
class InterruptibleWait {
public:
    static constexpr int kChunkMs = 50;
    using SleepFunction = std::function<void(std::chrono::nanoseconds)>;

    InterruptibleWait(const std::atomic<bool>& running, TimerResolution& resolution);
    // Tests substitute the sleep to observe the chunks and to wake early.
    void setSleepFunction(SleepFunction sleep);

    // Returns whether the run flag was still set at the end of the wait.
    bool wait(int milliseconds);

    // Wakes every wait of the process so it looks at its run flag now.
    static void wakeAll();

private:
    void sleepChunk(std::chrono::milliseconds chunk);
    void sleepUnlessWoken(std::chrono::nanoseconds duration);

    const std::atomic<bool>& m_running;
    TimerResolution& m_resolution;
    SleepFunction m_sleep;
};
