#include "platform/win32/Win32Power.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

void Win32Power::keepAwake(bool on) {
    SetThreadExecutionState(on ? (ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED)
                               : ES_CONTINUOUS);
}

bool Win32Power::beginTimerPeriod() {
    return timeBeginPeriod(1) == TIMERR_NOERROR;
}

void Win32Power::endTimerPeriod() {
    timeEndPeriod(1);
}
