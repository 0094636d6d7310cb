// The X11 keysyms behind virtual keys, characters and Qt keys.
#include <QSet>
#include <QtTest>

#include "KeyNames.h"
#include "X11KeyTable.h"

class TestX11KeyTable : public QObject {
    Q_OBJECT

private slots:
    void everyNamedKeyHasAKeysym();
    void virtualKeys_data();
    void virtualKeys();
    void characters_data();
    void characters();
    void qtKeys_data();
    void qtKeys();
};

void TestX11KeyTable::everyNamedKeyHasAKeysym() {
    // The table covers exactly the codes that key names stand for: a name whose
    // code had no key would be silently dropped, an extra entry is dead weight.
    QSet<quint16> named;
    for (quint16 code : KeyNames::table()) named.insert(code);
    QSet<quint16> known;
    for (quint16 code : X11KeyTable::virtualKeys()) {
        known.insert(code);
        QVERIFY2(X11KeyTable::keysymForVirtualKey(code) != 0, qPrintable(QString::number(code)));
    }
    QCOMPARE(known, named);
}

void TestX11KeyTable::virtualKeys_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<quint32>("keysym");
    const struct {
        const char* name;
        int code;
        quint32 keysym;
    } rows[] = {
        {"no key", 0, 0},
        {"backspace", 8, 0xff08},
        {"tab", 9, 0xff09},
        {"enter", 13, 0xff0d},
        {"shift", 16, 0xffe1},
        {"control", 17, 0xffe3},
        {"alt", 18, 0xffe9},
        {"pause", 19, 0xff13},
        {"caps lock", 20, 0xffe5},
        {"escape", 27, 0xff1b},
        {"space", 32, 0x20},
        {"page up", 33, 0xff55},
        {"page down", 34, 0xff56},
        {"end", 35, 0xff57},
        {"home", 36, 0xff50},
        {"left", 37, 0xff51},
        {"up", 38, 0xff52},
        {"right", 39, 0xff53},
        {"down", 40, 0xff54},
        {"insert", 45, 0xff63},
        {"delete", 46, 0xffff},
        {"digit 0", 48, '0'},
        {"digit 9", 57, '9'},
        {"letter A (unshifted keysym)", 65, 'a'},
        {"letter Z", 90, 'z'},
        {"left windows key", 91, 0xffeb},
        {"right windows key", 92, 0xffec},
        {"menu key", 93, 0xff67},
        {"keypad 0", 96, 0xffb0},
        {"keypad 9", 105, 0xffb9},
        {"keypad star", 106, 0xffaa},
        {"keypad plus", 107, 0xffab},
        {"keypad minus", 109, 0xffad},
        {"keypad dot", 110, 0xffae},
        {"keypad slash", 111, 0xffaf},
        {"F1", 112, 0xffbe},
        {"F8", 119, 0xffc5},
        {"F12", 123, 0xffc9},
        {"F24", 135, 0xffd5},
        {"num lock", 144, 0xff7f},
        {"left shift", 160, 0xffe1},
        {"right shift", 161, 0xffe2},
        {"left control", 162, 0xffe3},
        {"right control", 163, 0xffe4},
        {"left alt", 164, 0xffe9},
        {"right alt", 165, 0xffea},
        {"browser back", 166, 0x1008ff26},
        {"browser home", 172, 0x1008ff18},
        {"mute", 173, 0x1008ff12},
        {"volume up", 175, 0x1008ff13},
        {"media play", 179, 0x1008ff14},
        {"semicolon key", 186, ';'},
        {"equals key", 187, '='},
        {"comma key", 188, ','},
        {"minus key", 189, '-'},
        {"period key", 190, '.'},
        {"slash key", 191, '/'},
        {"grave key", 192, '`'},
        {"left bracket key", 219, '['},
        {"backslash key", 220, '\\'},
        {"right bracket key", 221, ']'},
        {"apostrophe key", 222, '\''},
        {"unnamed code", 255, 0},
        {"print screen (not named)", 44, 0},
    };
    for (const auto& r : rows) QTest::newRow(r.name) << r.code << r.keysym;
}

void TestX11KeyTable::virtualKeys() {
    QFETCH(int, code);
    QFETCH(quint32, keysym);
    QCOMPARE(QString::number(X11KeyTable::keysymForVirtualKey(quint16(code)), 16),
             QString::number(keysym, 16));
}

void TestX11KeyTable::characters_data() {
    QTest::addColumn<uint>("character");
    QTest::addColumn<quint32>("keysym");
    QTest::newRow("a") << uint('a') << quint32('a');
    QTest::newRow("A") << uint('A') << quint32('A');
    QTest::newRow("space") << uint(' ') << quint32(0x20);
    QTest::newRow("tilde") << uint('~') << quint32('~');
    QTest::newRow("e acute (Latin-1)") << 0xe9u << quint32(0xe9);
    QTest::newRow("y diaeresis, last of Latin-1") << 0xffu << quint32(0xff);
    QTest::newRow("no-break space") << 0xa0u << quint32(0xa0);
    QTest::newRow("euro sign") << 0x20acu << quint32(0x10020ac);
    QTest::newRow("Chinese") << 0x4e2du << quint32(0x1004e2d);
    QTest::newRow("fullwidth comma") << 0xff0cu << quint32(0x100ff0c);
    QTest::newRow("emoji, outside the BMP") << 0x1f600u << quint32(0x101f600);
    QTest::newRow("last code point") << 0x10ffffu << quint32(0x110ffff);
    QTest::newRow("tab") << 9u << quint32(0xff09);
    QTest::newRow("line feed") << 10u << quint32(0xff0d);
    QTest::newRow("carriage return") << 13u << quint32(0xff0d);
    QTest::newRow("backspace") << 8u << quint32(0xff08);
    QTest::newRow("escape") << 27u << quint32(0xff1b);
    QTest::newRow("delete") << 127u << quint32(0xffff);
    QTest::newRow("other control code") << 1u << quint32(0);
    QTest::newRow("C1 control code") << 0x85u << quint32(0);
    QTest::newRow("lone high surrogate") << 0xd800u << quint32(0);
    QTest::newRow("lone low surrogate") << 0xdfffu << quint32(0);
    QTest::newRow("beyond Unicode") << 0x110000u << quint32(0);
}

void TestX11KeyTable::characters() {
    QFETCH(uint, character);
    QFETCH(quint32, keysym);
    QCOMPARE(QString::number(X11KeyTable::keysymForCharacter(char32_t(character)), 16),
             QString::number(keysym, 16));
}

void TestX11KeyTable::qtKeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<quint32>("keysym");
    QTest::newRow("F8") << int(Qt::Key_F8) << quint32(0xffc5);
    QTest::newRow("F1") << int(Qt::Key_F1) << quint32(0xffbe);
    QTest::newRow("F35") << int(Qt::Key_F35) << quint32(0xffe0);
    QTest::newRow("A grabs the a key") << int(Qt::Key_A) << quint32('a');
    QTest::newRow("digit") << int(Qt::Key_5) << quint32('5');
    QTest::newRow("space") << int(Qt::Key_Space) << quint32(' ');
    QTest::newRow("escape") << int(Qt::Key_Escape) << quint32(0xff1b);
    QTest::newRow("return") << int(Qt::Key_Return) << quint32(0xff0d);
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << quint32(0xff8d);
    QTest::newRow("page down") << int(Qt::Key_PageDown) << quint32(0xff56);
    QTest::newRow("print") << int(Qt::Key_Print) << quint32(0xff61);
    QTest::newRow("scroll lock") << int(Qt::Key_ScrollLock) << quint32(0xff14);
    QTest::newRow("unknown") << int(Qt::Key_unknown) << quint32(0);
    QTest::newRow("a modifier alone") << int(Qt::Key_Control) << quint32(0);
}

void TestX11KeyTable::qtKeys() {
    QFETCH(int, key);
    QFETCH(quint32, keysym);
    QCOMPARE(QString::number(X11KeyTable::keysymForQtKey(Qt::Key(key)), 16),
             QString::number(keysym, 16));
}

QTEST_GUILESS_MAIN(TestX11KeyTable)
#include "tst_x11keytable.moc"
