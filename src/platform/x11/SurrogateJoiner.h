#pragma once

#include <QtGlobal>

// Character records carry one UTF-16 code unit each, so a character outside the
// Basic Multilingual Plane arrives as two records (high then low surrogate, each
// pressed and released). This joins them back into one character: the low half's
// down and up stand for the whole character; the high half's events send nothing.
class SurrogateJoiner {
public:
    struct Event {
        char32_t character = 0;  // 0: nothing to send for this record
        bool dropped = false;    // a lone surrogate was discarded
    };

    Event feed(quint16 codeUnit, bool up);

private:
    quint16 m_pendingHigh = 0;  // a high half pressed and waiting for its low half
    char32_t m_lastPair = 0;    // the last joined character, released by its low half's up
};
