#include <QtTest>

#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "support/FakeHotkeyBackend.h"
#include "support/LogCapture.h"

// Registration bookkeeping over a backend that grabs nothing; the desktop tests grab for real.
class TestGlobalHotkey : public QObject {
    Q_OBJECT
    FakeHotkeyBackend m_backend;

private slots:
    void initTestCase() { Platform::setHotkeys(&m_backend); }
    void init() { m_backend = FakeHotkeyBackend(); }
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    void grabbedAndReleasedOnce() {
        LogCapture log;
        {
            // Only the first chord of a sequence can be grabbed; an empty one not at all.
            GlobalHotkey hotkey(QKeySequence("Ctrl+K, Ctrl+C", QKeySequence::NativeText), false);
            GlobalHotkey never(QKeySequence(Qt::Key_F10), false);
            GlobalHotkey empty(QKeySequence(), true);
            QVERIFY(!empty.setRegistered(true));
            QVERIFY(!hotkey.isRegistered() && m_backend.grabs.isEmpty());
            QVERIFY(hotkey.setRegistered(true) && hotkey.setRegistered(true));
            QCOMPARE(m_backend.grabs, QList<int>{int(Qt::CTRL | Qt::Key_K)});
            QCOMPARE(m_backend.held, QList<GlobalHotkey*>{&hotkey});
            QVERIFY(hotkey.setRegistered(false) && hotkey.setRegistered(false));
            QVERIFY(!hotkey.isRegistered() && m_backend.held.isEmpty());
            QCOMPARE(m_backend.ungrabs, 1);
            QVERIFY(hotkey.setRegistered(true));
        }
        // Destroying a registered hotkey releases its key; an unregistered one has none.
        QCOMPARE(m_backend.ungrabs, 2);
        QVERIFY(m_backend.held.isEmpty());
        // Each refusal of the empty sequence is logged.
        QCOMPARE(log.messages(QtWarningMsg).filter("the key sequence is empty").size(), 2);
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
        QCOMPARE(m_backend.ungrabs, 1);
        QCOMPARE(hotkey.isRegistered(), autoRegister);
        QVERIFY(hotkey.setRegistered(true));
        QCOMPARE(m_backend.grabs, (QList<int>{Qt::Key_F9, int(Qt::CTRL | Qt::Key_F10)}));
        QCOMPARE(m_backend.held, QList<GlobalHotkey*>{&hotkey});
    }
};

QTEST_GUILESS_MAIN(TestGlobalHotkey)
#include "tst_globalhotkey.moc"
