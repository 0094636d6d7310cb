#include "model/InputHelpers.h"

#include <QStringList>

#include "platform/InputBackend.h"
#include "platform/Platform.h"

const ModifierKey kModifierKeys[4] = {{Qt::ShiftModifier, 16, "Shift"},
                                      {Qt::ControlModifier, 17, "Ctrl"},
                                      {Qt::AltModifier, 18, "Alt"},
                                      {Qt::MetaModifier, 91, "Win"}};

QVector<quint16> modifierVirtualKeys(Qt::KeyboardModifiers modifiers) {
    QVector<quint16> keys;
    for (const ModifierKey& m : kModifierKeys)
        if (modifiers & m.flag) keys.append(m.virtualKey);
    return keys;
}

void pressModifiers(Qt::KeyboardModifiers modifiers) {
    for (quint16 vk : modifierVirtualKeys(modifiers)) sendBatch({InputRecord::key(vk, false)});
}

void releaseModifiers(Qt::KeyboardModifiers modifiers) {
    for (quint16 vk : modifierVirtualKeys(modifiers)) sendBatch({InputRecord::key(vk, true)});
}

QString modifiersToText(Qt::KeyboardModifiers modifiers) {
    QStringList parts;
    for (const ModifierKey& m : kModifierKeys)
        if (modifiers & m.flag) parts << QString::fromLatin1(m.text);
    return parts.join(QLatin1Char('+'));
}

bool toAbsolute(const QPoint& point, const QSize& screen, qint32* dx, qint32* dy) {
    if (screen.width() <= 0 || screen.height() <= 0) return false;
    // Signed 32-bit arithmetic as the format defines it; the product of a point on
    // any real screen and 65535 stays within range.
    *dx = qint32(qint64(point.x()) * 65535 / screen.width());
    *dy = qint32(qint64(point.y()) * 65535 / screen.height());
    return true;
}

void sendBatch(const InputBatch& batch) {
    Platform::input().send(batch);
}
