#include "platform/x11/SurrogateJoiner.h"

#include <QChar>

SurrogateJoiner::Event SurrogateJoiner::feed(quint16 unit, bool up) {
    Event e;
    if (QChar::isHighSurrogate(unit)) {
        if (up) return e;  // the pair goes up with its low half
        e.dropped = m_pendingHigh != 0;
        m_pendingHigh = unit;
        return e;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (up) {
            if (m_lastPair != 0 && QChar::lowSurrogate(m_lastPair) == unit) {
                e.character = m_lastPair;
                m_lastPair = 0;
            } else {
                e.dropped = true;
            }
            return e;
        }
        if (m_pendingHigh == 0) {
            e.dropped = true;
            return e;
        }
        m_lastPair = QChar::surrogateToUcs4(m_pendingHigh, unit);
        m_pendingHigh = 0;
        e.character = m_lastPair;
        return e;
    }
    if (!up && m_pendingHigh != 0) {
        e.dropped = true;  // a high half that never got its low half
        m_pendingHigh = 0;
    }
    e.character = unit;
    return e;
}
