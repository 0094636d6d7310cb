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
        QTest::newRow("no-break space, first of Latin-1") << 0xa0u << 0xa0u;
        QTest::newRow("y diaeresis, last of Latin-1") << 0xffu << 0xffu;
        QTest::newRow("first after Latin-1") << 0x100u << 0x1000100u;
        QTest::newRow("last code point") << 0x10ffffu << 0x110ffffu;
        QTest::newRow("tab") << 9u << 0xff09u;
        QTest::newRow("line feed") << 10u << 0xff0du;
        QTest::newRow("carriage return") << 13u << 0xff0du;
        QTest::newRow("backspace") << 8u << 0xff08u;
        QTest::newRow("escape") << 27u << 0xff1bu;
        QTest::newRow("delete") << 127u << 0xffffu;
        QTest::newRow("other control code") << 1u << 0u;
        QTest::newRow("C1 control code") << 0x85u << 0u;
        QTest::newRow("lone high surrogate") << 0xd800u << 0u;
        QTest::newRow("lone low surrogate") << 0xdfffu << 0u;
        QTest::newRow("beyond Unicode") << 0x110000u << 0u;
    }

    void characters() {
        QFETCH(uint, character);
        QFETCH(uint, keysym);
        QCOMPARE(X11KeyTable::keysymForCharacter(char32_t(character)), keysym);
    }

    void qtKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<uint>("keysym");
        QTest::newRow("F35, last function key") << int(Qt::Key_F35) << 0xffe0u;
        QTest::newRow("A grabs the a key") << int(Qt::Key_A) << uint('a');
        QTest::newRow("digit") << int(Qt::Key_5) << uint('5');
        QTest::newRow("return") << int(Qt::Key_Return) << 0xff0du;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << 0xff8du;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << 0xff56u;
        QTest::newRow("unknown") << int(Qt::Key_unknown) << 0u;
        QTest::newRow("a modifier alone") << int(Qt::Key_Control) << 0u;
    }

    void qtKeys() {
        QFETCH(int, key);
        QFETCH(uint, keysym);
        QCOMPARE(X11KeyTable::keysymForQtKey(Qt::Key(key)), keysym);
    }
};

QTEST_GUILESS_MAIN(TestX11KeyTable)
#include "tst_x11keytable.moc"
