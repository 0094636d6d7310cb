// How precise the interruptible wait is, and how soon a stop ends a long wait.
// Prints the median and 99th-percentile error of 200 waits of 1, 10, 50 and
// 120 ms, then the latency of stops requested during a 10 s wait.
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "platform/InterruptibleWait.h"
#include "platform/Platform.h"
#include "platform/TimerResolution.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t rank = size_t(std::ceil(p * double(values.size())));
    return values[std::min(values.size() - 1, rank == 0 ? 0 : rank - 1)];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    std::atomic<bool> running{true};
    InterruptibleWait wait(running, Platform::timerResolution());

    std::printf("wait (ms)  count  median error (ms)  p99 error (ms)  max error (ms)\n");
    for (int ms : {1, 10, 50, 120}) {
        std::vector<double> error;
        for (int i = 0; i < rounds; ++i) {
            const Clock::time_point start = Clock::now();
            wait.wait(ms);
            error.push_back(msSince(start, Clock::now()) - ms);
        }
        std::printf("%9d  %5d  %17.3f  %14.3f  %14.3f\n", ms, rounds, percentile(error, 0.5),
                    percentile(error, 0.99), percentile(error, 1.0));
        std::fflush(stdout);
    }

    // Stops at random moments of a long wait, as the runner stops a run: from
    // clearing the flag and waking the waits to the wait's return.
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delay(100, 400);
    std::vector<double> latency;
    const int stops = std::max(1, rounds / 5);
    for (int i = 0; i < stops; ++i) {
        running = true;
        Clock::time_point returned;
        std::thread waiter([&] {
            wait.wait(10000);
            returned = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        const Clock::time_point stopped = Clock::now();
        running = false;
        InterruptibleWait::wakeAll();
        waiter.join();
        latency.push_back(msSince(stopped, returned));
    }
    std::printf(
        "stop during a 10 s wait: %d stops, median latency %.3f ms, p99 %.3f ms, max %.3f ms\n",
        stops, percentile(latency, 0.5), percentile(latency, 0.99), percentile(latency, 1.0));
    return 0;
}
