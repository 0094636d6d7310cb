#pragma once

#include <QVector>
#include <chrono>

// Bookkeeping for the keycodes that have no symbols on the keymap and so can be
// bound, one at a time, to a character the keyboard cannot type. A client reads
// the new mapping only some time after the change, so a keycode is bound anew
// only once it has rested for a while since its last use, and never while held;
// the least recently used keycode goes first.
class SpareKeycodePool {
public:
    using Clock = std::chrono::steady_clock;

    struct Assignment {
        int keycode = -1;           // -1: none is free before notBefore
        bool needsMapping = false;  // the keycode must be bound to the keysym first
        Clock::time_point notBefore{};
    };

    SpareKeycodePool() = default;
    SpareKeycodePool(QVector<int> keycodes, std::chrono::microseconds reuseGuard);

    int size() const { return m_entries.size(); }
    void setReuseGuard(std::chrono::microseconds guard) { m_reuseGuard = guard; }

    // The keycode that types keysym: one bound to it already, or the least
    // recently used free keycode that has rested long enough. When all are held,
    // keycode is -1 and notBefore is Clock::time_point::max().
    Assignment assign(quint32 keysym, Clock::time_point now) const;
    // Binding counts as a use: the keycode is neither restored nor rebound right away.
    void bind(int keycode, quint32 keysym, Clock::time_point now);
    void unbind(int keycode);
    quint32 keysymOf(int keycode) const;
    bool contains(int keycode) const { return find(keycode) != nullptr; }

    void press(int keycode, Clock::time_point now);
    void release(int keycode, Clock::time_point now);
    bool isHeld(int keycode) const;

    // Bound keycodes that are not held and were last used before cutoff.
    QVector<int> restorable(Clock::time_point cutoff) const;
    QVector<int> boundKeycodes() const;

private:
    struct Entry {
        int keycode = 0;
        quint32 keysym = 0;  // 0: unbound
        int held = 0;
        Clock::time_point lastUse{};
    };
    const Entry* find(int keycode) const;
    Entry* find(int keycode);

    QVector<Entry> m_entries;
    std::chrono::microseconds m_reuseGuard{0};
};
