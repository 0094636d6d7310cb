#pragma once

#include <QPoint>
#include <QSize>
#include <QString>
#include <Qt>

#include "platform/InputRecord.h"

// Plain helpers shared by the operations. Everything is sent through the
// process's input backend (Platform::input()).

// The four modifiers a flow uses, in their fixed order: Shift, Ctrl, Alt, Win. The
// order is also that of the flag bits in the property grid and of the names in files.
struct ModifierKey {
    Qt::KeyboardModifier flag;
    quint16 virtualKey;
    const char* text;
};
extern const ModifierKey kModifierKeys[4];

// One single-record batch per modifier, in the order Shift, Ctrl, Alt, Win.
void pressModifiers(Qt::KeyboardModifiers modifiers);
// The same order, not reversed.
void releaseModifiers(Qt::KeyboardModifiers modifiers);
// "Shift", "Ctrl", "Alt", "Win" of the flags present, joined with "+".
QString modifiersToText(Qt::KeyboardModifiers modifiers);
// The virtual key of each modifier flag, in the fixed order.
QVector<quint16> modifierVirtualKeys(Qt::KeyboardModifiers modifiers);

// x * 65535 / width and y * 65535 / height, truncated; false (nothing to send)
// when the screen size is zero or negative.
bool toAbsolute(const QPoint& point, const QSize& screen, qint32* dx, qint32* dy);

void sendBatch(const InputBatch& batch);
