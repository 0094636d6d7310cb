#include "platform/x11/LinuxTimerResolution.h"

#include <sys/prctl.h>

namespace {
// The slack is a property of each thread, and so is what it was before.
thread_local long savedSlack = -1;
}  // namespace

bool LinuxTimerResolution::begin() {
    const int current = prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0);
    if (current < 0) return false;
    if (prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0) != 0) return false;
    savedSlack = current;
    return true;
}

void LinuxTimerResolution::end() {
    if (savedSlack < 0) return;
    prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(savedSlack), 0, 0, 0);
    savedSlack = -1;
}
