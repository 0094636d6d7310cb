// The X11 keysyms behind virtual keys, characters and Qt keys. Which keysym each
// named key presses is checked on a real display by the desktop input test.
#include <QSet>
#include <QtTest>

#include "KeyNames.h"
#include "X11KeyTable.h"

class TestX11KeyTable : public QObject {
    Q_OBJECT

private slots:
    void everyNamedKeyHasAKeysym() {
        // The table covers exactly the codes that key names stand for: a name whose
        // code had no key would be silently dropped, an extra entry is dead weight.
        QSet<quint16> named;
        for (quint16 code : KeyNames::table()) named.insert(code);
        QSet<quint16> known;
        for (quint16 code : X11KeyTable::virtualKeys()) {
            known.insert(code);
            QVERIFY2(X11KeyTable::keysymForVirtualKey(code) != 0,
                     qPrintable(QString::number(code)));
        }
        QCOMPARE(known, named);
        QCOMPARE(X11KeyTable::keysymForVirtualKey(255), 0u);
    }

    void characters_data() {
        QTest::addColumn<uint>("character");
        QTest::addColumn<uint>("keysym");
        // Latin-1 as itself, the rest in the Unicode range; tab, line breaks, backspace,
        // escape and delete as their keys; nothing for other control codes, surrogates
        // and what lies beyond Unicode.
        const uint rows[][2] = {
            {0xa0, 0xa0}, {0xff, 0xff}, {0x100, 0x1000100}, {0x10ffff, 0x110ffff}, {9, 0xff09},
            {10, 0xff0d}, {13, 0xff0d}, {8, 0xff08},        {27, 0xff1b},          {127, 0xffff},
            {1, 0},       {0x85, 0},    {0xd800, 0},        {0xdfff, 0},           {0x110000, 0}};
        for (const auto& r : rows) QTest::addRow("U+%04X", r[0]) << r[0] << r[1];
    }

    void characters() {
        QFETCH(uint, character);
        QFETCH(uint, keysym);
        QCOMPARE(X11KeyTable::keysymForCharacter(char32_t(character)), keysym);
    }

    void qtKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<uint>("keysym");
        // Letters grab their unshifted key, the keypad's Enter is not Return, modifiers
        // alone are no hotkey.
        const int rows[][2] = {{Qt::Key_F35, 0xffe0},   {Qt::Key_A, 'a'},
                               {Qt::Key_5, '5'},        {Qt::Key_Return, 0xff0d},
                               {Qt::Key_Enter, 0xff8d}, {Qt::Key_PageDown, 0xff56},
                               {Qt::Key_unknown, 0},    {Qt::Key_Control, 0}};
        for (const auto& r : rows) QTest::addRow("Qt key %x", r[0]) << r[0] << uint(r[1]);
    }

    void qtKeys() {
        QFETCH(int, key);
        QFETCH(uint, keysym);
        QCOMPARE(X11KeyTable::keysymForQtKey(Qt::Key(key)), keysym);
    }
};

QTEST_GUILESS_MAIN(TestX11KeyTable)
#include "tst_x11keytable.moc"
