#include <QtTest>

#include "FakeHotkeyBackend.h"
#include "GlobalHotkey.h"
#include "LogCapture.h"
#include "Platform.h"

// Registration bookkeeping of GlobalHotkey over a backend that grabs nothing.
class TestGlobalHotkey : public QObject {
    Q_OBJECT
    FakeHotkeyBackend backend;

private slots:
    void initTestCase() { Platform::setHotkeys(&backend); }
    void init() { backend = FakeHotkeyBackend(); }
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    void grabsTheFirstChord_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("grab");
        QTest::newRow("ctrl+shift+f12")
            << "Ctrl+Shift+F12" << int(Qt::CTRL | Qt::SHIFT | Qt::Key_F12);
        QTest::newRow("lower case") << "alt+a" << int(Qt::ALT | Qt::Key_A);
        QTest::newRow("meta") << "Meta+Space" << int(Qt::META | Qt::Key_Space);
        QTest::newRow("two chords") << "Ctrl+K, Ctrl+C" << int(Qt::CTRL | Qt::Key_K);
    }
    void grabsTheFirstChord() {
        QFETCH(QString, text);
        QFETCH(int, grab);
        GlobalHotkey hotkey(QKeySequence(text, QKeySequence::NativeText), true);
        QVERIFY(hotkey.isRegistered());
        QCOMPARE(backend.grabs, QList<int>{grab});
        QCOMPARE(backend.held, QList<GlobalHotkey*>{&hotkey});
    }

    void grabbedAndReleasedOnce() {
        {
            GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), false);
            GlobalHotkey never(QKeySequence(Qt::Key_F10), false);
            QVERIFY(!hotkey.isRegistered() && backend.grabs.isEmpty());
            QVERIFY(hotkey.setRegistered(true) && hotkey.setRegistered(true));
            QCOMPARE(backend.grabs.size(), 1);
            QVERIFY(hotkey.setRegistered(false) && hotkey.setRegistered(false));
            QVERIFY(!hotkey.isRegistered() && backend.held.isEmpty());
            QCOMPARE(backend.ungrabs, 1);
            QVERIFY(hotkey.setRegistered(true));
        }
        // Destroying a registered hotkey releases its key; an unregistered one has none.
        QCOMPARE(backend.ungrabs, 2);
        QVERIFY(backend.held.isEmpty());
    }

    void newShortcutReplacesTheGrab_data() {
        QTest::addColumn<bool>("autoRegister");
        QTest::newRow("registered at once") << true;
        QTest::newRow("registered later") << false;
    }
    void newShortcutReplacesTheGrab() {
        QFETCH(bool, autoRegister);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F9), true);
        QVERIFY(hotkey.setShortcut(QKeySequence(Qt::CTRL + Qt::Key_F10), autoRegister));
        QCOMPARE(hotkey.shortcut(), QKeySequence(Qt::CTRL + Qt::Key_F10));
        // The old key is never left grabbed behind the new shortcut.
        QCOMPARE(backend.ungrabs, 1);
        QCOMPARE(hotkey.isRegistered(), autoRegister);
        QVERIFY(hotkey.setRegistered(true));
        QCOMPARE(backend.grabs, (QList<int>{Qt::Key_F9, int(Qt::CTRL | Qt::Key_F10)}));
        QCOMPARE(backend.held, QList<GlobalHotkey*>{&hotkey});
    }

    void refusalIsOneLogLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepting");
        QTest::addColumn<QString>("reason");
        QTest::newRow("refused by the backend")
            << "F9" << false << "grabs are refused in this test";
        QTest::newRow("empty sequence") << "" << true << "the key sequence is empty";
    }
    void refusalIsOneLogLine() {
        QFETCH(QString, text);
        QFETCH(bool, accepting);
        QFETCH(QString, reason);
        backend.accepting = accepting;
        LogCapture log;
        GlobalHotkey hotkey(QKeySequence(text, QKeySequence::NativeText), true);
        QVERIFY(!hotkey.isRegistered());
        QVERIFY(!hotkey.setRegistered(true));
        QVERIFY(backend.held.isEmpty());
        // One line for each refused attempt, saying which key and why.
        const QStringList lines = log.messages(QtWarningMsg);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains(reason) && lines[0].contains(text), qPrintable(lines[0]));
        QCOMPARE(lines[1], lines[0]);
    }
};

QTEST_GUILESS_MAIN(TestGlobalHotkey)
#include "tst_globalhotkey.moc"
