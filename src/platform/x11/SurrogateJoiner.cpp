#include "platform/x11/SurrogateJoiner.h"

#include <QChar>

SurrogateJoiner::Event SurrogateJoiner::feed(quint16 unit, bool up) {
    Event e;
    if (QChar::isHighSurrogate(unit)) {
        if (up) return e;  // the pair goes up with its low half
        e.dropped = pendingHigh != 0;
        pendingHigh = unit;
        return e;
    }
    if (QChar::isLowSurrogate(unit)) {
        if (up) {
            if (lastPair != 0 && QChar::lowSurrogate(lastPair) == unit) {
                e.character = lastPair;
                lastPair = 0;
            } else {
                e.dropped = true;
            }
            return e;
        }
        if (pendingHigh == 0) {
            e.dropped = true;
            return e;
        }
        lastPair = QChar::surrogateToUcs4(pendingHigh, unit);
        pendingHigh = 0;
        e.character = lastPair;
        return e;
    }
    if (!up && pendingHigh != 0) {
        e.dropped = true;  // a high half that never got its low half
        pendingHigh = 0;
    }
    e.character = unit;
    return e;
}
