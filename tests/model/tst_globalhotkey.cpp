#include <QSignalSpy>
#include <QtTest>

#include "FakeHotkeyBackend.h"
#include "GlobalHotkey.h"
#include "LogCapture.h"
#include "Platform.h"

// Registration bookkeeping of GlobalHotkey over a backend that grabs nothing.
class TestGlobalHotkey : public QObject {
    Q_OBJECT

private:
    FakeHotkeyBackend backend;

private slots:
    void initTestCase() { Platform::setHotkeys(&backend); }
    void init();
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    void grabsTheFirstChord_data();
    void grabsTheFirstChord();
    void registerAndUnregisterOnlyOnce();
    void newShortcutReplacesTheGrab();
    void newShortcutWithoutAutoRegistration();
    void refusalIsOneLogLine_data();
    void refusalIsOneLogLine();
    void destructionReleasesTheGrab();
};

void TestGlobalHotkey::init() {
    backend.setAccepting(true);
    backend.grabs.clear();
    backend.ungrabs.clear();
    backend.held.clear();
}

void TestGlobalHotkey::grabsTheFirstChord_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("F8") << "F8" << int(Qt::Key_F8) << 0;
    QTest::newRow("ctrl+shift+f12")
        << "Ctrl+Shift+F12" << int(Qt::Key_F12) << int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("lower case") << "alt+a" << int(Qt::Key_A) << int(Qt::AltModifier);
    QTest::newRow("meta") << "Meta+Space" << int(Qt::Key_Space) << int(Qt::MetaModifier);
    QTest::newRow("two chords") << "Ctrl+K, Ctrl+C" << int(Qt::Key_K) << int(Qt::ControlModifier);
}

void TestGlobalHotkey::grabsTheFirstChord() {
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    GlobalHotkey hotkey(QKeySequence(text, QKeySequence::NativeText), true);
    QVERIFY(hotkey.isRegistered());
    QCOMPARE(backend.grabs.size(), 1);
    QCOMPARE(backend.grabs[0].hotkey, &hotkey);
    QCOMPARE(int(backend.grabs[0].key), key);
    QCOMPARE(int(backend.grabs[0].modifiers), modifiers);
}

void TestGlobalHotkey::registerAndUnregisterOnlyOnce() {
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), false);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(backend.grabs.isEmpty());
    QVERIFY(hotkey.setRegistered(true));
    QVERIFY(hotkey.setRegistered(true));
    QCOMPARE(backend.grabs.size(), 1);
    QVERIFY(hotkey.setRegistered(false));
    QVERIFY(hotkey.setRegistered(false));
    QCOMPARE(backend.ungrabs.size(), 1);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(backend.held.isEmpty());
}

void TestGlobalHotkey::newShortcutReplacesTheGrab() {
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), true);
    QVERIFY(hotkey.setShortcut(QKeySequence(Qt::CTRL + Qt::Key_F10), true));
    QVERIFY(hotkey.isRegistered());
    QCOMPARE(hotkey.shortcut(), QKeySequence(Qt::CTRL + Qt::Key_F10));
    QCOMPARE(backend.ungrabs, QList<GlobalHotkey*>{&hotkey});
    QCOMPARE(backend.grabs.size(), 2);
    QCOMPARE(backend.grabs[1].key, Qt::Key_F10);
    QCOMPARE(backend.held, QList<GlobalHotkey*>{&hotkey});
}

void TestGlobalHotkey::newShortcutWithoutAutoRegistration() {
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), true);
    QVERIFY(hotkey.setShortcut(QKeySequence(Qt::Key_F7), false));
    // The old key is not left grabbed behind the new shortcut.
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(backend.held.isEmpty());
    QCOMPARE(hotkey.shortcut(), QKeySequence(Qt::Key_F7));
    QVERIFY(hotkey.setRegistered(true));
    QCOMPARE(backend.grabs.last().key, Qt::Key_F7);
}

void TestGlobalHotkey::refusalIsOneLogLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepting");
    QTest::addColumn<QString>("reason");
    QTest::newRow("refused by the backend") << "F9" << false << "grabs are refused in this test";
    QTest::newRow("empty sequence") << "" << true << "the key sequence is empty";
}

void TestGlobalHotkey::refusalIsOneLogLine() {
    QFETCH(QString, text);
    QFETCH(bool, accepting);
    QFETCH(QString, reason);
    backend.setAccepting(accepting);
    LogCapture log;
    GlobalHotkey hotkey(QKeySequence(text, QKeySequence::NativeText), true);
    QVERIFY(!hotkey.isRegistered());
    QVERIFY(!hotkey.setRegistered(true));
    QVERIFY(backend.held.isEmpty());
    // One line for each refused attempt, saying why.
    const QStringList lines = log.messages("tapwise", QtWarningMsg);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains(reason), qPrintable(lines[0]));
    QVERIFY(lines[0].contains(text));
    QCOMPARE(lines[1], lines[0]);
}

void TestGlobalHotkey::destructionReleasesTheGrab() {
    {
        GlobalHotkey registered(QKeySequence(Qt::Key_F9), true);
        GlobalHotkey unregistered(QKeySequence(Qt::Key_F10), false);
    }
    QCOMPARE(backend.ungrabs.size(), 1);
    QVERIFY(backend.held.isEmpty());
}

QTEST_GUILESS_MAIN(TestGlobalHotkey)
#include "tst_globalhotkey.moc"
