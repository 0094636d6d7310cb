#pragma once

// Keeps the machine and the display awake during a run. The base does nothing:
// it stands for platforms that offer no such request.
class KeepAwake {
public:
    virtual ~KeepAwake() = default;
    virtual void request() {}
    virtual void release() {}
};
