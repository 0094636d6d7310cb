#include "platform/InputBackend.h"

namespace {
// Each button's down flag and the up flag that releases it.
constexpr struct {
    quint32 down;
    quint32 up;
} kButtons[] = {{InputRecord::LeftDown, InputRecord::LeftUp},
                {InputRecord::RightDown, InputRecord::RightUp},
                {InputRecord::MiddleDown, InputRecord::MiddleUp}};
}  // namespace

bool InputBackend::send(const InputBatch& batch) {
    if (batch.isEmpty()) return true;
    const bool ok = inject(batch);
    if (ok) {
        std::lock_guard<std::mutex> lock(m_heldLock);
        for (const InputRecord& r : batch) track(r);
    }
    return ok;
}

void InputBackend::track(const InputRecord& r) {
    if (r.type == InputRecord::Keyboard) {
        QVector<quint16>& held = r.isCharacter() ? m_heldCharacters : m_heldKeys;
        const quint16 code = r.isCharacter() ? r.scan : r.virtualKey;
        if (r.isKeyUp())
            held.removeAll(code);
        else if (!held.contains(code))
            held.append(code);
        return;
    }
    for (const auto& b : kButtons) {
        if (r.flags & b.down) m_heldButtons |= b.down;
        if (r.flags & b.up) m_heldButtons &= ~b.down;
    }
}

bool InputBackend::hasHeldInput() const {
    std::lock_guard<std::mutex> lock(m_heldLock);
    return !m_heldKeys.isEmpty() || !m_heldCharacters.isEmpty() || m_heldButtons != 0;
}

void InputBackend::releaseHeld() {
    InputBatch batch;
    {
        std::lock_guard<std::mutex> lock(m_heldLock);
        for (const auto& b : kButtons)
            if (m_heldButtons & b.down) batch.append(InputRecord::mouse(b.up));
        for (int i = m_heldCharacters.size() - 1; i >= 0; --i)
            batch.append(InputRecord::character(m_heldCharacters.at(i), true));
        // Last pressed first, so modifiers come up after the key they modify.
        for (int i = m_heldKeys.size() - 1; i >= 0; --i)
            batch.append(InputRecord::key(m_heldKeys.at(i), true));
        m_heldKeys.clear();
        m_heldCharacters.clear();
        m_heldButtons = 0;
    }
    if (!batch.isEmpty()) inject(batch);
}
