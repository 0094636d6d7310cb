#include <QKeySequence>
#include <QThread>
#include <QtTest>
#include <atomic>

#include "KeyNames.h"

namespace {
// Key names of every kind, each with the Windows virtual-key code of its key.
QList<QPair<QString, int>> namedKeys() {
    const QString table = QStringLiteral(
        "CTRL=17 CONTROL=17 LCTRL=162 RCTRL=163 SHIFT=16 LSHIFT=160 RSHIFT=161 ALT=18 MENU=18 "
        "LALT=164 RALT=165 WIN=91 WINDOWS=91 LWIN=91 RWIN=92 APPS=93 ENTER=13 RETURN=13 "
        "NUMPADENTER=13 SPACE=32 TAB=9 BACKSPACE=8 ESC=27 PAUSE=19 CAPSLOCK=20 CAPS=20 INSERT=45 "
        "INS=45 DELETE=46 DEL=46 HOME=36 END=35 PAGEUP=33 PGUP=33 PAGEDOWN=34 PGDOWN=34 PGDN=34 "
        "UP=38 DOWN=40 LEFT=37 RIGHT=39 NUMLOCK=144 NUM=144 NUMPADSTAR=106 NUMPADPLUS=107 "
        "NUMPADMINUS=109 NUMPADDOT=110 NUMPADSLASH=111 `=192 ~=192 -=189 _=189 ==187 +=187 [=219 "
        "{=219 ]=221 }=221 ;=186 :=186 '=222 \"=222 ,=188 <=188 .=190 >=190 /=191 ?=191 \\=220 "
        "|=220 VOLUMEUP=175 VOLUMEDOWN=174 MUTE=173 MEDIANEXT=176 MEDIAPREV=177 MEDIASTOP=178 "
        "MEDIAPLAY=179 BROWSERBACK=166 BROWSERFWD=167 BROWSERREFRESH=168 BROWSERHOME=172");
    QList<QPair<QString, int>> keys;
    for (const QString& entry : table.split(' ')) {
        const int at = entry.lastIndexOf('=');
        keys.append({entry.left(at), entry.mid(at + 1).toInt()});
    }
    for (int i = 0; i < 26; ++i) keys.append({QString(QChar('A' + i)), 65 + i});
    for (int i = 0; i < 10; ++i) keys.append({QString::number(i), 48 + i});
    for (int i = 0; i < 10; ++i) keys.append({QStringLiteral("NUM%1").arg(i), 96 + i});
    for (int i = 1; i <= 24; ++i) keys.append({QStringLiteral("F%1").arg(i), 111 + i});
    return keys;
}
}  // namespace

// The key text of a keyboard operation to the virtual-key code it sends.
class TestKeyNames : public QObject {
    Q_OBJECT

private slots:
    // Runs before anything else has touched the table, so the threads race to build it.
    void firstLookupFromManyThreads() {
        const QList<QPair<QString, int>> keys = namedKeys();
        std::atomic<bool> go{false};
        std::atomic<int> wrong{0};
        QList<QThread*> threads;
        for (int t = 0; t < 8; ++t) {
            threads << QThread::create([&] {
                while (!go.load()) QThread::yieldCurrentThread();
                for (const auto& [name, code] : keys)
                    if (KeyNames::virtualKeyForName(name) != code) wrong.fetch_add(1);
            });
            threads.last()->start();
        }
        go.store(true);
        for (QThread* thread : threads) {
            QVERIFY(thread->wait(10000));
            delete thread;
        }
        QCOMPARE(wrong.load(), 0);
    }

    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        for (const auto& [name, code] : namedKeys()) {
            QTest::newRow(qPrintable(name)) << name << code;
            // Stored key texts are usually not upper case.
            QTest::addRow("%s, lower case", qPrintable(name)) << name.toLower() << code;
        }
        QTest::newRow("blanks around") << "\t Control\n" << 17;
        QTest::newRow("punctuation with blanks") << " ? " << 191;
        for (const char* none :
             {"", " ", "Num Lock", "F 5", "F0", "F25", "F05", "NUM10", "PrintScreen", "AB", "Ａ"})
            QTest::addRow("no key: '%s'", none) << QString(none) << 0;
        QTest::newRow("null") << QString() << 0;
        // The key editor stores Qt's portable text of the pressed key.
        const int qtKeys[] = {Qt::Key_Escape, Qt::Key_Enter,    Qt::Key_Insert, Qt::Key_Delete,
                              Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Comma,  Qt::Key_NumLock};
        const int codes[] = {27, 13, 45, 46, 33, 34, 188, 144};
        for (int i = 0; i < 8; ++i) {
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
