// The X11 backend's keysyms for keys and characters, UTF-16 pairs joined into one character,
// and which spare keycode a character the keymap lacks is typed with, and when.
#include <QtTest>

#include "model/KeyNames.h"
#include "platform/x11/SpareKeycodePool.h"
#include "platform/x11/SurrogateJoiner.h"
#include "platform/x11/X11KeyTable.h"

using namespace std::chrono;
using Clock = SpareKeycodePool::Clock;

class TestX11Keys : public QObject {
    Q_OBJECT

private slots:
    // Exactly the codes that key names stand for: a name whose code had no key would be
    // silently dropped.
    void everyNamedKeyHasAKeysym() {
        QSet<quint16> named, typed;
        for (quint16 code : KeyNames::table()) named.insert(code);
        for (quint16 code : X11KeyTable::virtualKeys())
            if (X11KeyTable::keysymForVirtualKey(code) != 0) typed.insert(code);
        QCOMPARE(typed, named);
    }

    void keysyms() {
        const auto hex = [](uint n) { return QString::number(n, 16); };
        QStringList got;
        // Characters: Latin-1 as itself, the rest in the Unicode range; tab, line breaks,
        // backspace, escape and delete as their keys; nothing for other control codes,
        // surrogates and what lies beyond Unicode.
        for (char32_t c :
             {0xa0, 0xff, 0x100, 0x10ffff, 9, 10, 13, 8, 27, 127, 1, 0x85, 0xd800, 0x110000})
            got << hex(X11KeyTable::keysymForCharacter(c));
        QCOMPARE(got.join(' '), "a0 ff 1000100 110ffff ff09 ff0d ff0d ff08 ff1b ffff 0 0 0 0");
        // Qt keys: letters grab their unshifted key, the keypad's Enter is not Return,
        // modifiers alone are no hotkey.
        got.clear();
        for (Qt::Key k : {Qt::Key_A, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Control})
            got << hex(X11KeyTable::keysymForQtKey(k));
        QCOMPARE(got.join(' '), "61 ff0d ff8d 0");
        // A recorded keysym: its virtual key (the left modifiers as the plain ones) and the
        // text it typed.
        got.clear();
        for (quint32 s : {0x41, 0xffe1, 0xffe2, 0xff8d, 0xe9, 0x6d1, 0x1004e2d, 0xfe51})
            got << QString::number(X11KeyTable::virtualKeyForKeysym(s)) +
                       X11KeyTable::textForKeysym(s);
        QCOMPARE(got.join(' '), QStringLiteral("0A 16 161 13 0é 0я 0中 0"));
    }

    // Code units in hexadecimal, "+" down, "-" up -> what is sent, and the halves dropped.
    void surrogatePairsJoin_data() {
        QTest::addColumn<QString>("row");
        QTest::newRow("pair") << "d83d+ d83d- de00+ de00- -> 1f600+ 1f600- / 0";
        QTest::newRow("both halves down first") << "d83d+ de00+ de00- d83d- -> 1f600+ 1f600- / 0";
        QTest::newRow("lone high half") << "d83d+ d83d- 62+ 62- -> 62+ 62- / 1";
        QTest::newRow("lone low half") << "de00+ de00- 63+ 63- -> 63+ 63- / 2";
        QTest::newRow("high half replaced") << "d83d+ d83c+ df89+ df89- -> 1f389+ 1f389- / 1";
        QTest::newRow("up without down") << "de00- ->  / 1";
    }
    void surrogatePairsJoin() {
        QFETCH(QString, row);
        SurrogateJoiner joiner;
        QStringList sent;
        int dropped = 0;
        for (const QString& r : row.section(" -> ", 0, 0).split(' ')) {
            const auto e = joiner.feed(quint16(r.chopped(1).toUInt(nullptr, 16)), r.endsWith('-'));
            dropped += e.dropped;
            if (e.character) sent << QString::number(uint(e.character), 16) + r.back();
        }
        QCOMPARE(sent.join(' ') + " / " + QString::number(dropped), row.section(" -> ", 1));
    }

    // The pool's keycodes and reuse guard in ms, then steps at the current time in ms ("@5"
    // moves it): "b200=1" binds keycode 200 to keysym 1, "p200" presses it, "r200" releases
    // it, "u200" unbinds it. "a9@35" asks which keycode types keysym 9 at 35 ms: the keycode
    // ("map" when it must be bound first), "wait T" or "never"; "k@50" lists the keycodes
    // restorable at 50 ms.
    void spareKeycodes_data() {
        QTest::addColumn<QString>("row");
        const auto row = [](const char* name, const char* row) { QTest::newRow(name) << row; };
        row("never used before just used", "200 201 202/50: b200=1 p200 r200 a2@1 -> 201 map");
        row("bound to the keysym", "200 201/50: b201=1 p201 r201 a1@1 -> 201");
        row("least recently used",
            "200 201 202/10: b200=1 p200 r200 @5 b201=2 r201 @10 b202=3 r202 @15 p200 r200 a9@35 "
            "-> 201 map");
        row("all used a moment ago", "200 201/40: b200=1 r200 @10 b201=2 r201 a3@15 -> wait 40");
        row("the oldest has rested", "200 201/40: b200=1 r200 @10 b201=2 r201 a3@40 -> 200 map");
        row("all held", "200 201/0: b200=1 p200 b201=2 p201 a3@1000 -> never");
        row("held one released",
            "200 201/0: b200=1 p200 b201=2 p201 @1000 r201 a3@2000 -> 201 map");
        row("empty pool", "/0: a1@0 -> never");
        row("restorable when rested and not held",
            "200 201 202/0: b200=1 b202=3 p202 @100 b201=2 k@50 k@1000 u200 k@1000 -> 200 200,201 "
            "201");
    }
    void spareKeycodes() {
        QFETCH(QString, row);
        QVector<int> keycodes;
        for (const QString& k : row.section('/', 0, 0).split(' ', Qt::SkipEmptyParts))
            keycodes << k.toInt();
        SpareKeycodePool spares(keycodes,
                                milliseconds(row.section('/', 1).section(':', 0, 0).toInt()));
        const Clock::time_point t0 = Clock::now();
        Clock::time_point now = t0;
        QStringList answers;
        for (const QString& step : row.section(": ", 1).section(" -> ", 0, 0).split(' ')) {
            const int n = step.mid(1).section('=', 0, 0).section('@', 0, 0).toInt();
            const Clock::time_point at = t0 + milliseconds(step.section('@', 1).toInt());
            if (step.startsWith('@')) now = t0 + milliseconds(n);
            if (step.startsWith('b')) spares.bind(n, step.section('=', 1).toUInt(), now);
            if (step.startsWith('p')) spares.press(n, now);
            if (step.startsWith('r')) spares.release(n, now);
            if (step.startsWith('u')) spares.unbind(n);
            if (step.startsWith('k')) {
                QStringList restorable;
                for (int k : spares.restorable(at)) restorable << QString::number(k);
                answers << restorable.join(',');
            }
            if (step.startsWith('a')) {
                const SpareKeycodePool::Assignment a = spares.assign(n, at);
                if (a.keycode >= 0)
                    answers << QString::number(a.keycode) + (a.needsMapping ? " map" : "");
                else if (a.notBefore == Clock::time_point::max())
                    answers << QStringLiteral("never");
                else
                    answers << QStringLiteral("wait %1").arg(
                        duration_cast<milliseconds>(a.notBefore - t0).count());
            }
        }
        QCOMPARE(answers.join(' '), row.section(" -> ", 1));
    }
};

QTEST_GUILESS_MAIN(TestX11Keys)
#include "tst_x11keys.moc"
