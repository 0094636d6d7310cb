#include <QKeySequence>
#include <QThread>
#include <QtTest>
#include <atomic>

#include "KeyNames.h"

// The key-name table turns the key text of a keyboard operation into a Windows
// virtual-key code: names of Windows keys, their aliases, and the codes Windows
// gives those keys, written out here one by one.
class TestKeyNames : public QObject {
    Q_OBJECT

private:
    static QMap<QString, int> windowsKeyCodes();

private slots:
    void firstLookupFromManyThreads();
    void tableHoldsExactlyTheseNames();
    void everyName_data();
    void everyName();
    void lookupNormalisesTheName_data();
    void lookupNormalisesTheName();
    void qtPortableKeyTexts_data();
    void qtPortableKeyTexts();
};

QMap<QString, int> TestKeyNames::windowsKeyCodes() {
    QMap<QString, int> t;
    auto add = [&t](std::initializer_list<const char*> names, int code) {
        for (const char* n : names) t.insert(QString::fromUtf8(n), code);
    };
    add({"CTRL", "CONTROL"}, 0x11);
    add({"LCTRL"}, 0xA2);
    add({"RCTRL"}, 0xA3);
    add({"SHIFT"}, 0x10);
    add({"LSHIFT"}, 0xA0);
    add({"RSHIFT"}, 0xA1);
    add({"ALT", "MENU"}, 0x12);
    add({"LALT"}, 0xA4);
    add({"RALT"}, 0xA5);
    add({"WIN", "WINDOWS", "LWIN"}, 0x5B);
    add({"RWIN"}, 0x5C);
    add({"APPS"}, 0x5D);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    for (int i = 0; i < letters.size(); ++i) t.insert(letters.mid(i, 1), 0x41 + i);
    for (int d = 0; d <= 9; ++d) t.insert(QString::number(d), 0x30 + d);
    for (int n = 1; n <= 24; ++n) t.insert(QLatin1Char('F') + QString::number(n), 0x70 + n - 1);
    add({"ENTER", "RETURN", "NUMPADENTER"}, 0x0D);
    add({"SPACE"}, 0x20);
    add({"TAB"}, 0x09);
    add({"BACKSPACE"}, 0x08);
    add({"ESC"}, 0x1B);
    add({"PAUSE"}, 0x13);
    add({"CAPSLOCK", "CAPS"}, 0x14);
    add({"INSERT", "INS"}, 0x2D);
    add({"DELETE", "DEL"}, 0x2E);
    add({"HOME"}, 0x24);
    add({"END"}, 0x23);
    add({"PAGEUP", "PGUP"}, 0x21);
    add({"PAGEDOWN", "PGDOWN", "PGDN"}, 0x22);
    add({"UP"}, 0x26);
    add({"DOWN"}, 0x28);
    add({"LEFT"}, 0x25);
    add({"RIGHT"}, 0x27);
    for (int d = 0; d <= 9; ++d) t.insert(QStringLiteral("NUM") + QString::number(d), 0x60 + d);
    add({"NUMLOCK", "NUM"}, 0x90);
    add({"NUMPADSTAR"}, 0x6A);
    add({"NUMPADPLUS"}, 0x6B);
    add({"NUMPADMINUS"}, 0x6D);
    add({"NUMPADDOT"}, 0x6E);
    add({"NUMPADSLASH"}, 0x6F);
    add({"`", "~"}, 0xC0);
    add({"-", "_"}, 0xBD);
    add({"=", "+"}, 0xBB);
    add({"[", "{"}, 0xDB);
    add({"]", "}"}, 0xDD);
    add({";", ":"}, 0xBA);
    add({"'", "\""}, 0xDE);
    add({",", "<"}, 0xBC);
    add({".", ">"}, 0xBE);
    add({"/", "?"}, 0xBF);
    add({"\\", "|"}, 0xDC);
    add({"VOLUMEUP"}, 0xAF);
    add({"VOLUMEDOWN"}, 0xAE);
    add({"MUTE"}, 0xAD);
    add({"MEDIANEXT"}, 0xB0);
    add({"MEDIAPREV"}, 0xB1);
    add({"MEDIASTOP"}, 0xB2);
    add({"MEDIAPLAY"}, 0xB3);
    add({"BROWSERBACK"}, 0xA6);
    add({"BROWSERFWD"}, 0xA7);
    add({"BROWSERREFRESH"}, 0xA8);
    add({"BROWSERHOME"}, 0xAC);
    return t;
}

// Runs before anything else has touched the table, so the threads race to build it.
void TestKeyNames::firstLookupFromManyThreads() {
    const QMap<QString, int> expected = windowsKeyCodes();
    std::atomic<bool> go{false};
    std::atomic<int> wrong{0};
    QList<QThread*> threads;
    for (int t = 0; t < 8; ++t) {
        threads << QThread::create([&, t] {
            while (!go.load()) QThread::yieldCurrentThread();
            int i = 0;
            for (auto it = expected.cbegin(); it != expected.cend(); ++it, ++i)
                if ((i + t) % 2 == 0 && KeyNames::virtualKeyForName(it.key()) != it.value())
                    wrong.fetch_add(1);
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

void TestKeyNames::tableHoldsExactlyTheseNames() {
    const QMap<QString, int> expected = windowsKeyCodes();
    QCOMPARE(expected.size(), 151);
    const QHash<QString, quint16>& table = KeyNames::table();
    QStringList extra, missing;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        if (!expected.contains(it.key())) extra << it.key();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (!table.contains(it.key())) missing << it.key();
    QVERIFY2(extra.isEmpty(), qPrintable("unexpected: " + extra.join(' ')));
    QVERIFY2(missing.isEmpty(), qPrintable("missing: " + missing.join(' ')));
    QCOMPARE(table.size(), 151);
}

void TestKeyNames::everyName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    const QMap<QString, int> expected = windowsKeyCodes();
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QTest::newRow(qPrintable(it.key())) << it.key() << it.value();
}

void TestKeyNames::everyName() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(int(KeyNames::table().value(name, 0)), code);
    QCOMPARE(int(KeyNames::virtualKeyForName(name)), code);
    // Stored key texts are usually not upper case; lower case finds the same code.
    QCOMPARE(int(KeyNames::virtualKeyForName(name.toLower())), code);
}

void TestKeyNames::lookupNormalisesTheName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::newRow("lower case") << "ctrl" << 17;
    QTest::newRow("mixed case with blanks") << "  Ctrl  " << 17;
    QTest::newRow("tab and line feed around") << "\tcontrol\n" << 17;
    QTest::newRow("one letter") << "a" << 65;
    QTest::newRow("f12") << "f12" << 123;
    QTest::newRow("f24") << "F24" << 135;
    QTest::newRow("num is num lock") << "num" << 144;
    QTest::newRow("pgdn") << "pgdn" << 34;
    QTest::newRow("num7") << "Num7" << 103;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("null") << QString() << 0;
    QTest::newRow("blanks only") << "   " << 0;
    QTest::newRow("inner blank stays") << "Num Lock" << 0;
    QTest::newRow("inner blank in a function key") << "F 5" << 0;
    QTest::newRow("f0 is not a key") << "F0" << 0;
    QTest::newRow("f25 is not a key") << "F25" << 0;
    QTest::newRow("leading zero") << "F05" << 0;
    QTest::newRow("num10 is not a key") << "NUM10" << 0;
    QTest::newRow("print screen") << "PrintScreen" << 0;
    QTest::newRow("scroll lock") << "ScrollLock" << 0;
    QTest::newRow("two letters") << "AB" << 0;
    QTest::newRow("full-width letter") << QString::fromUtf8("Ａ") << 0;
    QTest::newRow("punctuation with blanks") << " ? " << 191;
    QTest::newRow("a blank is not space") << " " << 0;
}

void TestKeyNames::lookupNormalisesTheName() {
    QFETCH(QString, name);
    QFETCH(int, code);
    QCOMPARE(int(KeyNames::virtualKeyForName(name)), code);
}

// The key editor stores Qt's portable text of the pressed key; those texts must
// reach the right code once upper-cased, and keys the table lacks give 0.
void TestKeyNames::qtPortableKeyTexts_data() {
    QTest::addColumn<int>("qtKey");
    QTest::addColumn<int>("code");
    QTest::newRow("Esc") << int(Qt::Key_Escape) << 27;
    QTest::newRow("Return") << int(Qt::Key_Return) << 13;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << 13;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << 9;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 8;
    QTest::newRow("Space") << int(Qt::Key_Space) << 32;
    QTest::newRow("Ins") << int(Qt::Key_Insert) << 45;
    QTest::newRow("Del") << int(Qt::Key_Delete) << 46;
    QTest::newRow("Home") << int(Qt::Key_Home) << 36;
    QTest::newRow("End") << int(Qt::Key_End) << 35;
    QTest::newRow("PgUp") << int(Qt::Key_PageUp) << 33;
    QTest::newRow("PgDown") << int(Qt::Key_PageDown) << 34;
    QTest::newRow("Left") << int(Qt::Key_Left) << 37;
    QTest::newRow("Up") << int(Qt::Key_Up) << 38;
    QTest::newRow("Right") << int(Qt::Key_Right) << 39;
    QTest::newRow("Down") << int(Qt::Key_Down) << 40;
    QTest::newRow("Pause") << int(Qt::Key_Pause) << 19;
    QTest::newRow("CapsLock") << int(Qt::Key_CapsLock) << 20;
    QTest::newRow("NumLock") << int(Qt::Key_NumLock) << 144;
    QTest::newRow("F1") << int(Qt::Key_F1) << 112;
    QTest::newRow("F24") << int(Qt::Key_F24) << 135;
    QTest::newRow("A") << int(Qt::Key_A) << 65;
    QTest::newRow("7") << int(Qt::Key_7) << 55;
    QTest::newRow("comma") << int(Qt::Key_Comma) << 188;
    QTest::newRow("slash") << int(Qt::Key_Slash) << 191;
    QTest::newRow("plus") << int(Qt::Key_Plus) << 187;
    QTest::newRow("Print") << int(Qt::Key_Print) << 0;
    QTest::newRow("ScrollLock") << int(Qt::Key_ScrollLock) << 0;
}

void TestKeyNames::qtPortableKeyTexts() {
    QFETCH(int, qtKey);
    QFETCH(int, code);
    const QString text = QKeySequence(qtKey).toString(QKeySequence::PortableText);
    QVERIFY(!text.isEmpty());
    QCOMPARE(int(KeyNames::virtualKeyForName(text)), code);
}

QTEST_GUILESS_MAIN(TestKeyNames)
#include "tst_keynames.moc"
