// How the X11 backend types keys and characters: the keysyms behind virtual keys,
// characters and Qt keys, UTF-16 pairs joined into one character, and which spare
// keycode a character the keymap lacks is typed with, and when.
#include <QSet>
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
        QSet<quint16> named;
        for (quint16 code : KeyNames::table()) named.insert(code);
        QSet<quint16> known;
        for (quint16 code : X11KeyTable::virtualKeys()) {
            known.insert(code);
            QVERIFY2(X11KeyTable::keysymForVirtualKey(code) != 0,
                     qPrintable(QString::number(code)));
        }
        QCOMPARE(known, named);
    }

    void keysyms_data() {
        QTest::addColumn<bool>("qtKey");  // a Qt key, else a Unicode character
        QTest::addColumn<uint>("from");
        QTest::addColumn<uint>("keysym");
        // Characters: Latin-1 as itself, the rest in the Unicode range; tab, line breaks,
        // backspace, escape and delete as their keys; nothing for other control codes,
        // surrogates and what lies beyond Unicode.
        const uint characters[][2] = {
            {0xa0, 0xa0}, {0xff, 0xff}, {0x100, 0x1000100}, {0x10ffff, 0x110ffff}, {9, 0xff09},
            {10, 0xff0d}, {13, 0xff0d}, {8, 0xff08},        {27, 0xff1b},          {127, 0xffff},
            {1, 0},       {0x85, 0},    {0xd800, 0},        {0x110000, 0}};
        for (const auto& r : characters) QTest::addRow("U+%04X", r[0]) << false << r[0] << r[1];
        // Qt keys: letters grab their unshifted key, the keypad's Enter is not Return,
        // modifiers alone are no hotkey.
        const uint keys[][2] = {{Qt::Key_A, 'a'},
                                {Qt::Key_Return, 0xff0d},
                                {Qt::Key_Enter, 0xff8d},
                                {Qt::Key_Control, 0}};
        for (const auto& r : keys) QTest::addRow("Qt key %x", r[0]) << true << r[0] << r[1];
    }
    void keysyms() {
        QFETCH(bool, qtKey);
        QFETCH(uint, from);
        QTEST(qtKey ? X11KeyTable::keysymForQtKey(Qt::Key(from))
                    : X11KeyTable::keysymForCharacter(char32_t(from)),
              "keysym");
    }

    // A recorded key: its virtual key from its unshifted keysym (the left modifiers as the
    // plain ones) and the text of the keysym it typed.
    void recordedKeysyms_data() {
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<int>("virtualKey");
        QTest::addColumn<QString>("text");
        const struct {
            uint keysym;
            int virtualKey;
            const char* text;
        } rows[] = {{'A', 0, "A"},  {0xffe1, 16, ""}, {0xffe2, 161, ""},    {0xff8d, 13, ""},
                    {0xe9, 0, "é"}, {0x6d1, 0, "я"},  {0x1004e2d, 0, "中"}, {0xfe51, 0, ""}};
        for (const auto& r : rows)
            QTest::addRow("keysym %x", r.keysym) << r.keysym << r.virtualKey << QString(r.text);
    }
    void recordedKeysyms() {
        QFETCH(uint, keysym);
        QTEST(int(X11KeyTable::virtualKeyForKeysym(keysym)), "virtualKey");
        QTEST(X11KeyTable::textForKeysym(keysym), "text");
    }

    // Code units in hexadecimal, "+" down and "-" up; what is sent, the same way.
    void surrogatePairsJoin_data() {
        QTest::addColumn<QString>("records");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<int>("dropped");
        const auto row = [](const char* name, const char* records, const char* sent, int dropped) {
            QTest::newRow(name) << records << sent << dropped;
        };
        row("pair as text is sent", "d83d+ d83d- de00+ de00-", "1f600+ 1f600-", 0);
        row("pair, both halves down first", "d83d+ de00+ de00- d83d-", "1f600+ 1f600-", 0);
        row("plain characters around a pair", "61+ 61- d83d+ d83d- de00+ de00- 62+ 62-",
            "61+ 61- 1f600+ 1f600- 62+ 62-", 0);
        row("lone high half", "d83d+ d83d- 62+ 62-", "62+ 62-", 1);
        row("lone low half", "de00+ de00- 63+ 63-", "63+ 63-", 2);
        row("high half replaced by another", "d83d+ d83c+ df89+ df89-", "1f389+ 1f389-", 1);
        row("up without down of a pair", "de00-", "", 1);
    }
    void surrogatePairsJoin() {
        QFETCH(QString, records);
        SurrogateJoiner joiner;
        QStringList sent;
        int dropped = 0;
        for (const QString& r : records.split(' ')) {
            const auto e = joiner.feed(quint16(r.chopped(1).toUInt(nullptr, 16)), r.endsWith('-'));
            dropped += e.dropped;
            if (e.character) sent << QString::number(uint(e.character), 16) + r.back();
        }
        QTEST(sent.join(' '), "sent");
        QTEST(dropped, "dropped");
    }

    void spareKeycodeAssigned_data() {
        // Steps at the current time in ms ("@5" moves it): "b200=1" binds keycode 200 to
        // keysym 1, "p200" presses it, "r200" releases it. The answer is the keycode
        // ("map" when it must be bound first), "wait T" or "never".
        QTest::addColumn<QString>("pool");
        QTest::addColumn<int>("guardMs");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<uint>("keysym");
        QTest::addColumn<int>("atMs");
        QTest::addColumn<QString>("answer");
        const auto row = [](const char* name, const char* pool, int guardMs, const char* steps,
                            uint keysym, int atMs, const char* answer) {
            QTest::newRow(name) << pool << guardMs << steps << keysym << atMs << answer;
        };
        row("never used before just used", "200 201 202", 50, "b200=1 p200 r200", 2, 1, "201 map");
        row("bound to the keysym, no remap", "200 201", 50, "b201=1 p201 r201", 1, 1, "201");
        row("least recently used", "200 201 202", 10,
            "b200=1 p200 r200 @5 b201=2 r201 @10 b202=3 r202 @15 p200 r200", 9, 35, "201 map");
        row("all used a moment ago", "200 201", 40, "b200=1 r200 @10 b201=2 r201", 3, 15,
            "wait 40");
        row("the oldest has rested", "200 201", 40, "b200=1 r200 @10 b201=2 r201", 3, 40,
            "200 map");
        row("all held", "200 201", 0, "b200=1 p200 b201=2 p201", 3, 1000, "never");
        row("held one released", "200 201", 0, "b200=1 p200 b201=2 p201 @1000 r201", 3, 2000,
            "201 map");
        row("empty pool", "", 0, "", 1, 0, "never");
    }
    void spareKeycodeAssigned() {
        QFETCH(QString, pool);
        QFETCH(int, guardMs);
        QFETCH(QString, steps);
        QFETCH(uint, keysym);
        QFETCH(int, atMs);
        const Clock::time_point t0 = Clock::now();
        QVector<int> keycodes;
        for (const QString& k : pool.split(' ', Qt::SkipEmptyParts)) keycodes << k.toInt();
        SpareKeycodePool spares(keycodes, milliseconds(guardMs));
        Clock::time_point now = t0;
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const int n = step.mid(1).section('=', 0, 0).toInt();
            if (step.startsWith('@')) now = t0 + milliseconds(n);
            if (step.startsWith('b')) spares.bind(n, step.section('=', 1).toUInt(), now);
            if (step.startsWith('p')) spares.press(n, now);
            if (step.startsWith('r')) spares.release(n, now);
        }
        const SpareKeycodePool::Assignment a = spares.assign(keysym, t0 + milliseconds(atMs));
        QString got =
            QStringLiteral("wait %1").arg(duration_cast<milliseconds>(a.notBefore - t0).count());
        if (a.keycode >= 0) got = QString::number(a.keycode) + (a.needsMapping ? " map" : "");
        if (a.keycode < 0 && a.notBefore == Clock::time_point::max()) got = QStringLiteral("never");
        QTEST(got, "answer");
    }

    void spareKeycodesRestorable() {
        SpareKeycodePool pool({200, 201, 202}, 0ms);
        const Clock::time_point t0 = Clock::now();
        pool.bind(200, 0x1000001, t0);
        pool.bind(201, 0x1000002, t0 + 100ms);
        pool.bind(202, 0x1000003, t0);
        pool.press(202, t0);  // held: stays bound whatever the time
        QVERIFY(pool.isHeld(202) && !pool.isHeld(201));
        QCOMPARE(pool.restorable(t0 + 50ms), QVector<int>{200});
        QCOMPARE(pool.restorable(t0 + 1s), (QVector<int>{200, 201}));
        pool.unbind(200);
        QCOMPARE(pool.keysymOf(200), quint32(0));
        QCOMPARE(pool.boundKeycodes(), (QVector<int>{201, 202}));
    }
};

QTEST_GUILESS_MAIN(TestX11Keys)
#include "tst_x11keys.moc"
