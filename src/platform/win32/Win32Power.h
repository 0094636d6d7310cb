#pragma once

// Plain Win32 power and timer calls, free of Qt.
class Win32Power {
public:
    // SetThreadExecutionState: keep the system and the display on, or allow sleep again.
    static void keepAwake(bool on);
    // timeBeginPeriod(1); true when it succeeded, and only then endTimerPeriod().
    static bool beginTimerPeriod();
    static void endTimerPeriod();
};
