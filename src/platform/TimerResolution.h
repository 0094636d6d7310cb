#pragma once

// Raises the system timer resolution around a wait where sleeps are coarse by
// default. The base is the no-op for systems whose sleeps are already precise;
// end() is called only when begin() returned true.
class TimerResolution {
public:
    virtual ~TimerResolution() = default;
    virtual bool begin() { return false; }
    virtual void end() {}
};
