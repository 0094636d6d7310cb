#pragma once

#include "platform/KeepAwake.h"
#include "platform/win32/Win32Power.h"

// SetThreadExecutionState around a run; requests nest.
class Win32KeepAwake : public KeepAwake {
public:
    void request() override {
        if (m_depth++ == 0) Win32Power::keepAwake(true);
    }
    void release() override {
        if (m_depth > 0 && --m_depth == 0) Win32Power::keepAwake(false);
    }

private:
    int m_depth = 0;
};
