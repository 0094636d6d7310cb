#pragma once

#include <climits>
#include <cmath>

// How a run goes through a flow's list of steps. They belong to the one who starts
// the run (the designer's settings, flowctl's command line), never to the flow file.
struct RunOptions {
    static constexpr double kMinSpeed = 0.1;
    static constexpr double kMaxSpeed = 10.0;

    // Passes through the list; 0 repeats until the run is stopped.
    int repeat = 1;
    // Every interval is divided by it: 2 replays twice as fast, 0.5 half as fast.
    // From kMinSpeed to kMaxSpeed.
    double speed = 1.0;
    // The 1-based row every pass starts at; the rows above it are never replayed.
    int fromRow = 1;

    // An interval at this speed, rounded to the nearest millisecond and held at
    // INT_MAX. Zero and negative intervals (no wait) stay as they are.
    int scaledInterval(int milliseconds) const {
        if (milliseconds <= 0 || speed == 1.0) return milliseconds;
        const double scaled = std::round(milliseconds / speed);
        return scaled >= double(INT_MAX) ? INT_MAX : int(scaled);
    }
};
