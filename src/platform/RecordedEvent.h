#pragma once

#include <QPoint>
#include <QString>
#include <Qt>
#include <QtGlobal>

// One piece of input the user gave while a recording was on, as the platform saw it:
// plain data, so that turning it into operations needs no platform and can be tested
// from tables.
struct RecordedEvent {
    enum Kind : quint8 { KeyDown, KeyUp, ButtonDown, ButtonUp, Motion, Wheel };
    enum Button : quint8 { NoButton, Left, Right, Middle, Side };

    Kind kind = Motion;
    // Milliseconds since the recording started, on the clock the platform stamps input with.
    qint64 time = 0;
    // Where the pointer was, in desktop pixels (buttons, motion, wheel).
    QPoint position;
    Button button = NoButton;
    // The platform's code of the physical key, which pairs a release with its press.
    quint32 keyCode = 0;
    // The key's virtual-key code (the codes flows name keys by); 0 when it has none.
    quint16 virtualKey = 0;
    // What a key press typed in the keyboard layout active at the time; empty when it
    // typed nothing printable (Return, arrows, modifiers, ...).
    QString text;
    // Shift, Ctrl, Alt and Win held when the event happened; a modifier key's own
    // press or release does not count itself.
    Qt::KeyboardModifiers modifiers;

    // The modifier a virtual key is (left, right or either Shift, Ctrl, Alt, Win);
    // Qt::NoModifier for any other key.
    static Qt::KeyboardModifier modifierForKey(quint16 virtualKey) {
        switch (virtualKey) {
            case 16:
            case 160:
            case 161:
                return Qt::ShiftModifier;
            case 17:
            case 162:
            case 163:
                return Qt::ControlModifier;
            case 18:
            case 164:
            case 165:
                return Qt::AltModifier;
            case 91:
            case 92:
                return Qt::MetaModifier;
            default:
                return Qt::NoModifier;
        }
    }
};
