// Global hotkeys on X11 in a program without widgets: the key is grabbed on the
// root window, so presses reach us wherever the focus is.
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "platform/x11/X11HotkeyBackend.h"
#include "support/TestDesktop.h"

namespace {
constexpr quint32 kF8 = 0xffc5, kF9 = 0xffc6, kCapsLock = 0xffe5, kNumLock = 0xff7f,
                  kControlL = 0xffe3, kShiftL = 0xffe1, kSuperL = 0xffeb, kLevel3Shift = 0xfe03;
constexpr unsigned kControlMask = 1u << 2;
}  // namespace

class TestX11Hotkey : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY(dynamic_cast<X11HotkeyBackend*>(&Platform::hotkeys()));
    }

    void pressActivatesOnce_data() {
        QTest::addColumn<QList<quint32>>("locks");
        QTest::addColumn<int>("holdMs");
        QTest::newRow("no lock") << QList<quint32>{} << 0;
        QTest::newRow("Caps Lock on") << QList<quint32>{kCapsLock} << 0;
        QTest::newRow("Num Lock on") << QList<quint32>{kNumLock} << 0;
        QTest::newRow("both locks on") << QList<quint32>{kCapsLock, kNumLock} << 0;
        // Well past the auto-repeat delay: the repeats must not count.
        QTest::newRow("held") << QList<quint32>{} << 1200;
    }
    void pressActivatesOnce() {
        QFETCH(QList<quint32>, locks);
        QFETCH(int, holdMs);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(hotkey.isRegistered());
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (quint32 lock : locks) m_desktop.tap(lock);
        m_desktop.key(kF8, true);
        QTest::qWait(holdMs);
        m_desktop.key(kF8, false);
        const bool fired = QTest::qWaitFor([&] { return !spy.isEmpty(); }, 3000);
        QTest::qWait(100);
        const int once = spy.count();
        m_desktop.tap(kF8);  // and the next press fires again
        const bool again = spy.wait(3000);
        for (quint32 lock : locks) m_desktop.tap(lock);  // back off, also when a check fails
        QVERIFY(fired && again);
        QCOMPARE(once, 1);
        QCOMPARE(spy.count(), 2);
    }

    void modifiersMustMatch() {
        GlobalHotkey hotkey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9), true);
        QVERIFY(hotkey.isRegistered());
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        m_desktop.tap(kF9);  // not grabbed without the modifiers: goes to the focus instead
        m_desktop.key(kControlL, true);
        m_desktop.tap(kF9);
        m_desktop.key(kShiftL, true);
        m_desktop.tap(kF9);
        m_desktop.key(kShiftL, false);
        m_desktop.key(kControlL, false);
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(spy.count(), 1);
    }

    // A replay may hold any modifier down. Set to any modifiers, the key fires
    // whatever is held, skips a combination another program holds, and gives them all
    // back when the setting is cleared.
    void anyModifiersFireWhateverIsHeld() {
        auto other = std::make_unique<TestDesktop>();
        QCOMPARE(other->grabKey(kF8, kControlMask | TestDesktop::kLock), 0);
        GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(hotkey.setAnyModifiers(true));
        QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
        for (quint32 lock : {kCapsLock, kNumLock}) m_desktop.tap(lock);
        for (quint32 key : {kLevel3Shift, kSuperL, kShiftL}) m_desktop.key(key, true);
        m_desktop.tap(kF8);
        for (quint32 key : {kLevel3Shift, kSuperL, kShiftL}) m_desktop.key(key, false);
        for (quint32 lock : {kCapsLock, kNumLock}) m_desktop.tap(lock);
        QVERIFY(spy.wait(3000));
        QVERIFY(hotkey.setAnyModifiers(false) && hotkey.isRegistered());
        QCOMPARE(other->grabKey(kF8, kControlMask), 0);  // given back
        m_desktop.key(kShiftL, true);
        m_desktop.tap(kF8);
        m_desktop.key(kShiftL, false);
        m_desktop.tap(kF8);
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(spy.count(), 2);  // F8 alone, not Shift+F8
    }

    void keyHeldByAnotherProgram() {
        auto other = std::make_unique<TestDesktop>();
        GlobalHotkey ours(QKeySequence(Qt::Key_F8), true);
        QVERIFY(ours.isRegistered());
        QCOMPARE(other->grabKey(kF8, 0), 10);  // BadAccess
        QVERIFY(ours.setRegistered(false));    // lets the other program have the key
        QCOMPARE(other->grabKey(kF8, 0), 0);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("F8 not registered.*another program"));
        GlobalHotkey refused(QKeySequence(Qt::Key_F8), true);
        QVERIFY(!refused.isRegistered());
        // Once the other program is gone, registering again succeeds.
        other.reset();
        QVERIFY(refused.setRegistered(true));
        QSignalSpy spy(&refused, &GlobalHotkey::activated);
        m_desktop.tap(kF8);
        QVERIFY(spy.wait(3000));
    }

    void twoHotkeysOnOneKeyBothFire() {
        GlobalHotkey first(QKeySequence(Qt::Key_F8), true);
        auto* second = new GlobalHotkey(QKeySequence(Qt::Key_F8), true);
        QVERIFY(first.isRegistered() && second->isRegistered());
        QSignalSpy firstSpy(&first, &GlobalHotkey::activated);
        QSignalSpy secondSpy(second, &GlobalHotkey::activated);
        m_desktop.tap(kF8);
        QVERIFY(firstSpy.wait(3000));
        QCOMPARE(secondSpy.count(), 1);
        // Dropping one keeps the grab for the other.
        delete second;
        m_desktop.tap(kF8);
        QVERIFY(firstSpy.wait(3000));
        QCOMPARE(firstSpy.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestX11Hotkey)
#include "tst_x11hotkey.moc"
