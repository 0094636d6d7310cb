#include "platform/x11/SpareKeycodePool.h"

SpareKeycodePool::SpareKeycodePool(QVector<int> keycodes, std::chrono::microseconds reuseGuard)
    : m_reuseGuard(reuseGuard) {
    for (int k : keycodes) {
        Entry e;
        e.keycode = k;
        m_entries.append(e);
    }
}

SpareKeycodePool::Assignment SpareKeycodePool::assign(quint32 keysym, Clock::time_point now) const {
    Assignment a;
    const Entry* oldest = nullptr;
    for (const Entry& e : m_entries) {
        if (e.keysym == keysym && keysym != 0) {
            a.keycode = e.keycode;
            return a;
        }
        if (e.held == 0 && (!oldest || e.lastUse < oldest->lastUse)) oldest = &e;
    }
    if (!oldest) {
        a.notBefore = Clock::time_point::max();
        return a;
    }
    const Clock::time_point rested = oldest->lastUse + m_reuseGuard;
    if (oldest->lastUse != Clock::time_point{} && rested > now) {
        a.notBefore = rested;
        return a;
    }
    a.keycode = oldest->keycode;
    a.needsMapping = true;
    return a;
}

void SpareKeycodePool::bind(int keycode, quint32 keysym, Clock::time_point now) {
    if (Entry* e = find(keycode)) {
        e->keysym = keysym;
        e->lastUse = now;
    }
}

void SpareKeycodePool::unbind(int keycode) {
    if (Entry* e = find(keycode)) e->keysym = 0;
}

quint32 SpareKeycodePool::keysymOf(int keycode) const {
    const Entry* e = find(keycode);
    return e ? e->keysym : 0;
}

void SpareKeycodePool::press(int keycode, Clock::time_point now) {
    if (Entry* e = find(keycode)) {
        ++e->held;
        e->lastUse = now;
    }
}

void SpareKeycodePool::release(int keycode, Clock::time_point now) {
    if (Entry* e = find(keycode)) {
        if (e->held > 0) --e->held;
        e->lastUse = now;
    }
}

bool SpareKeycodePool::isHeld(int keycode) const {
    const Entry* e = find(keycode);
    return e && e->held > 0;
}

QVector<int> SpareKeycodePool::restorable(Clock::time_point cutoff) const {
    QVector<int> keycodes;
    for (const Entry& e : m_entries)
        if (e.keysym != 0 && e.held == 0 && e.lastUse < cutoff) keycodes.append(e.keycode);
    return keycodes;
}

QVector<int> SpareKeycodePool::boundKeycodes() const {
    QVector<int> keycodes;
    for (const Entry& e : m_entries)
        if (e.keysym != 0) keycodes.append(e.keycode);
    return keycodes;
}

const SpareKeycodePool::Entry* SpareKeycodePool::find(int keycode) const {
    for (const Entry& e : m_entries)
        if (e.keycode == keycode) return &e;
    return nullptr;
}

SpareKeycodePool::Entry* SpareKeycodePool::find(int keycode) {
    for (Entry& e : m_entries)
        if (e.keycode == keycode) return &e;
    return nullptr;
}
