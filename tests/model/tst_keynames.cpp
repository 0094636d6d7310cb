#include <QKeySequence>
#include <QtTest>

#include "model/KeyNames.h"

// The key text of a keyboard operation to the Windows virtual-key code it sends.
class TestKeyNames : public QObject {
    Q_OBJECT

private slots:
    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        // Names of every kind, aliases and both characters of a punctuation key among them.
        const QString named = QStringLiteral(
            "CTRL=17 CONTROL=17 RCTRL=163 SHIFT=16 LSHIFT=160 ALT=18 MENU=18 RALT=165 WIN=91 "
            "LWIN=91 RWIN=92 APPS=93 A=65 Z=90 0=48 9=57 F1=112 F12=123 F24=135 ENTER=13 "
            "NUMPADENTER=13 SPACE=32 TAB=9 BACKSPACE=8 ESC=27 PAUSE=19 CAPS=20 INS=45 DELETE=46 "
            "HOME=36 END=35 PGUP=33 PGDN=34 PAGEDOWN=34 UP=38 DOWN=40 LEFT=37 RIGHT=39 NUM0=96 "
            "NUM9=105 NUM=144 NUMLOCK=144 NUMPADSTAR=106 NUMPADMINUS=109 NUMPADSLASH=111 ~=192 "
            "_=189 ==187 +=187 [=219 }=221 ;=186 \"=222 ,=188 >=190 ?=191 \\=220 |=220 "
            "VOLUMEDOWN=174 MUTE=173 MEDIAPLAY=179 BROWSERBACK=166 BROWSERHOME=172");
        for (const QString& entry : named.split(' ')) {
            const int at = entry.lastIndexOf('=');
            QTest::newRow(qPrintable(entry)) << entry.left(at) << entry.mid(at + 1).toInt();
            // Stored key texts are usually not upper case.
            QTest::addRow("%s, lower case", qPrintable(entry))
                << entry.left(at).toLower() << entry.mid(at + 1).toInt();
        }
        QTest::newRow("blanks around") << "\t Control\n" << 17;
        for (const char* none :
             {"", " ", "Num Lock", "F 5", "F0", "F25", "F05", "NUM10", "PrintScreen", "AB", "Ａ"})
            QTest::addRow("no key: '%s'", none) << QString(none) << 0;
        QTest::newRow("null") << QString() << 0;
        // The key editor stores Qt's portable text of the pressed key.
        const int qtKeys[] = {Qt::Key_Escape, Qt::Key_PageDown, Qt::Key_Insert, Qt::Key_Comma};
        const int codes[] = {27, 34, 45, 188};
        for (int i = 0; i < 4; ++i) {
            const QString text = QKeySequence(qtKeys[i]).toString(QKeySequence::PortableText);
            QTest::addRow("Qt's %s", qPrintable(text)) << text << codes[i];
        }
    }
    void lookup() {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(int(KeyNames::virtualKeyForName(name)), code);
    }
};

QTEST_GUILESS_MAIN(TestKeyNames)
#include "tst_keynames.moc"
