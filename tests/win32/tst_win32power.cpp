// Keep-awake and the timer resolution around a run.
#include <windows.h>

#include <cstdio>

#include "platform/win32/Win32Power.h"
#include "win32/support/WineTest.h"

namespace {

void keepAwake() {
    // Setting the thread's execution state to the one it has changes nothing and returns it.
    const EXECUTION_STATE awake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED;
    Win32Power::keepAwake(true);
    CHECK_EQUAL(SetThreadExecutionState(awake), awake);
    Win32Power::keepAwake(false);
    CHECK_EQUAL(SetThreadExecutionState(ES_CONTINUOUS), EXECUTION_STATE(ES_CONTINUOUS));
}

void timerPeriod() {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    CHECK(Win32Power::beginTimerPeriod());
    QueryPerformanceCounter(&start);
    for (int i = 0; i < 50; ++i) Sleep(1);
    QueryPerformanceCounter(&end);
    Win32Power::endTimerPeriod();
    const double perSleepMs =
        double(end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart / 50;
    std::printf("  Sleep(1) took %.2f ms on average\n", perSleepMs);
    CHECK(perSleepMs < 5);  // generous: a coarse 15.6 ms tick would be three times that
}

}  // namespace

int main(int argc, char** argv) {
    return runWineTests(argc, argv, {{"keepAwake", keepAwake}, {"timerPeriod", timerPeriod}});
}
