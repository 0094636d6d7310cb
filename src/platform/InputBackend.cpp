#include "platform/InputBackend.h"

#include <QMutexLocker>

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
        QMutexLocker lock(&heldLock);
        for (const InputRecord& r : batch) track(r);
    }
    return ok;
}

void InputBackend::track(const InputRecord& r) {
    if (r.type == InputRecord::Keyboard) {
        QVector<quint16>& held = r.isCharacter() ? heldCharacters : heldKeys;
        const quint16 code = r.isCharacter() ? r.scan : r.virtualKey;
        if (r.isKeyUp())
            held.removeAll(code);
        else if (!held.contains(code))
            held.append(code);
        return;
    }
    for (const auto& b : kButtons) {
        if (r.flags & b.down) heldButtons |= b.down;
        if (r.flags & b.up) heldButtons &= ~b.down;
    }
}

bool InputBackend::hasHeldInput() const {
    QMutexLocker lock(&heldLock);
    return !heldKeys.isEmpty() || !heldCharacters.isEmpty() || heldButtons != 0;
}

void InputBackend::releaseHeld() {
    InputBatch batch;
    {
        QMutexLocker lock(&heldLock);
        for (const auto& b : kButtons)
            if (heldButtons & b.down) batch.append(InputRecord::mouse(b.up));
        for (int i = heldCharacters.size() - 1; i >= 0; --i)
            batch.append(InputRecord::character(heldCharacters.at(i), true));
        // Last pressed first, so modifiers come up after the key they modify.
        for (int i = heldKeys.size() - 1; i >= 0; --i)
            batch.append(InputRecord::key(heldKeys.at(i), true));
        heldKeys.clear();
        heldCharacters.clear();
        heldButtons = 0;
    }
    if (!batch.isEmpty()) inject(batch);
}
