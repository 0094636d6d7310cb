#pragma once

#include <QPoint>
#include <QString>

#include "model/KeyNames.h"
#include "platform/InputRecorder.h"

// A recorder fed by the test, with the desktop's bookkeeping (clock, modifiers held, stop key).
// Its clock starts just before the 32-bit wrap, so every table of events also crosses it.
class FedRecorder : public InputRecorder {
public:
    static constexpr quint32 kStart = 0xffffffffu - 25;
    bool start(QString*) override {
        begin(kStart, {});
        m_on = true;
        return true;
    }
    void stop() override { m_on = false; }
    bool isRecording() const override { return m_on; }

    // Space-separated tokens, 10 ms apart unless "@MS" sets the time: "+K"/"-K" press or
    // release key K (one character types itself; longer names are keys, "Space" types a
    // blank, "Nameless" is a key with no name), "mX,Y" motion, "[B"/"]B" press or release
    // button B (L, R, M, X a side button), "w" a wheel notch.
    void feed(const QString& tokens) {
        qint64 time = 0;
        QPoint pointer;
        for (const QString& t : tokens.split(' ', Qt::SkipEmptyParts)) {
            if (t.startsWith('@')) {
                time = t.mid(1).toLongLong() - 10;
                continue;
            }
            time += 10;
            RecordedEvent e;
            const QString arg = t.mid(1);
            if (t[0] == 'm') {
                pointer = QPoint(arg.section(',', 0, 0).toInt(), arg.section(',', 1).toInt());
                e.kind = RecordedEvent::Motion;
            } else if (t[0] == 'w') {
                e.kind = RecordedEvent::Wheel;
            } else if (t[0] == '[' || t[0] == ']') {
                e.kind = t[0] == '[' ? RecordedEvent::ButtonDown : RecordedEvent::ButtonUp;
                e.button = RecordedEvent::Button(QString("_LRMX").indexOf(arg));
            } else {
                e.kind = t[0] == '+' ? RecordedEvent::KeyDown : RecordedEvent::KeyUp;
                e.virtualKey = KeyNames::virtualKeyForName(arg);
                if (e.kind == RecordedEvent::KeyDown && arg.size() == 1) e.text = arg;
                if (e.kind == RecordedEvent::KeyDown && arg == "Space") e.text = " ";
                e.keyCode = e.virtualKey ? e.virtualKey : 0x10000 + arg.at(0).unicode();
            }
            e.position = pointer;
            report(e, kStart + quint32(time));
        }
    }

private:
    bool m_on = false;
};
