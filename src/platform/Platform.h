#pragma once

#include <QString>

class InputBackend;
class InputRecorder;
class HotkeyBackend;
class ButtonWatch;
class KeepAwake;
class TimerResolution;

// The platform services of the process. Each is created on first use for the
// desktop the process runs on (X11 or Windows); where none applies, a stand-in that
// refuses and says why in the log. Tests install their own with the setters
// (not owned; nullptr goes back to the default).
class Platform {
public:
    static InputBackend& input();
    static HotkeyBackend& hotkeys();
    static ButtonWatch& buttonWatch();  // create and use on the GUI thread only
    static KeepAwake& keepAwake();
    static TimerResolution& timerResolution();
    static InputRecorder& inputRecorder();  // create and use on the GUI thread only

    static void setInput(InputBackend* backend);
    static void setHotkeys(HotkeyBackend* backend);
    static void setButtonWatch(ButtonWatch* watch);
    static void setKeepAwake(KeepAwake* keepAwake);
    static void setTimerResolution(TimerResolution* resolution);
    static void setInputRecorder(InputRecorder* recorder);

    // Run, on whichever thread noticed, when the connection to the desktop breaks. The
    // process cannot go on: when the handler returns, the platform ends it (status 1).
    static void setDisplayLostHandler(void (*handler)());

    // Why no desktop backend applies here, or empty when one does.
    static QString unavailableReason();
};
