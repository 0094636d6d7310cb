#pragma once

#include "platform/TimerResolution.h"

// Linux wakes a sleeping thread up to its timer slack (50 us by default) late, so
// a wait made of several chunks drifts by a few tenths of a millisecond. Around a
// wait the waiting thread's slack is cut to the minimum, then put back.
class LinuxTimerResolution : public TimerResolution {
public:
    bool begin() override;
    void end() override;
};
