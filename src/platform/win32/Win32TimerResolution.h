#pragma once

#include "platform/TimerResolution.h"
#include "platform/win32/Win32Power.h"

// timeBeginPeriod(1) around each wait: Windows sleeps are coarse (about 15.6 ms) otherwise.
class Win32TimerResolution : public TimerResolution {
public:
    bool begin() override { return Win32Power::beginTimerPeriod(); }
    void end() override { Win32Power::endTimerPeriod(); }
};
