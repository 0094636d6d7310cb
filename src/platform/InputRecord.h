#pragma once

#include <QVector>
#include <QtGlobal>

// One element of an injected batch, shaped after the Windows INPUT record so the
// operations describe their input the same way on every platform.
struct InputRecord {
    enum Type : quint32 { Mouse = 0, Keyboard = 1 };

    // Keyboard flags.
    static constexpr quint32 KeyUp = 0x0002;
    static constexpr quint32 Unicode = 0x0004;
    // Mouse flags.
    static constexpr quint32 Move = 0x0001;
    static constexpr quint32 LeftDown = 0x0002;
    static constexpr quint32 LeftUp = 0x0004;
    static constexpr quint32 RightDown = 0x0008;
    static constexpr quint32 RightUp = 0x0010;
    static constexpr quint32 MiddleDown = 0x0020;
    static constexpr quint32 MiddleUp = 0x0040;
    static constexpr quint32 Absolute = 0x8000;

    Type type = Mouse;
    // Keyboard fields.
    quint16 virtualKey = 0;
    quint16 scan = 0;  // one UTF-16 code unit when the Unicode flag is set
    // Mouse fields.
    qint32 dx = 0;
    qint32 dy = 0;
    quint32 mouseData = 0;
    // Keyboard or mouse flags, by type.
    quint32 flags = 0;

    static InputRecord key(quint16 vk, bool up) {
        InputRecord r;
        r.type = Keyboard;
        r.virtualKey = vk;
        r.flags = up ? KeyUp : 0;
        return r;
    }
    static InputRecord character(quint16 codeUnit, bool up) {
        InputRecord r;
        r.type = Keyboard;
        r.scan = codeUnit;
        r.flags = Unicode | (up ? KeyUp : 0);
        return r;
    }
    static InputRecord mouse(quint32 mouseFlags, qint32 x = 0, qint32 y = 0) {
        InputRecord r;
        r.type = Mouse;
        r.flags = mouseFlags;
        r.dx = x;
        r.dy = y;
        return r;
    }

    bool isKeyUp() const { return type == Keyboard && (flags & KeyUp); }
    bool isCharacter() const { return type == Keyboard && (flags & Unicode); }

    bool operator==(const InputRecord& o) const {
        return type == o.type && virtualKey == o.virtualKey && scan == o.scan && dx == o.dx &&
               dy == o.dy && mouseData == o.mouseData && flags == o.flags;
    }
    bool operator!=(const InputRecord& o) const { return !(*this == o); }
};

using InputBatch = QVector<InputRecord>;
