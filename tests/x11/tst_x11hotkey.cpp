// Global hotkeys on X11 in a program without widgets: the key is grabbed on the
// root window, so presses reach us wherever the focus is.
#include <QSignalSpy>
#include <QtTest>

#include "GlobalHotkey.h"
#include "HotkeyBackend.h"
#include "Platform.h"
#include "TestDesktop.h"
#include "X11HotkeyBackend.h"

namespace {
constexpr quint32 kF8 = 0xffc5, kF9 = 0xffc6, kF10 = 0xffc7, kCapsLock = 0xffe5, kNumLock = 0xff7f,
                  kControlL = 0xffe3, kShiftL = 0xffe1;

// Counts the warnings of the program's log category while installed.
QStringList capturedWarnings;
QtMessageHandler previousHandler = nullptr;
void captureWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && qstrcmp(context.category, "tapwise") == 0)
        capturedWarnings << message;
    previousHandler(type, context, message);
}
}  // namespace

class TestX11Hotkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void f8PressActivatesOnce_data();
    void f8PressActivatesOnce();
    void heldKeyActivatesOnce();
    void modifiersMustMatch();
    void keyGrabbedByAnotherClientStaysUnregistered();
    void unregisteringFreesTheKey();
    void twoHotkeysOnOneKeyBothFire();

private:
    void toggle(quint32 lockKeysym) { desktop.tap(lockKeysym); }
    TestDesktop desktop;
};

void TestX11Hotkey::initTestCase() {
    QVERIFY2(desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
    QVERIFY(dynamic_cast<X11HotkeyBackend*>(&Platform::hotkeys()));
}

void TestX11Hotkey::f8PressActivatesOnce_data() {
    QTest::addColumn<QList<quint32>>("locks");
    QTest::newRow("no lock") << QList<quint32>{};
    QTest::newRow("Caps Lock on") << QList<quint32>{kCapsLock};
    QTest::newRow("Num Lock on") << QList<quint32>{kNumLock};
    QTest::newRow("both locks on") << QList<quint32>{kCapsLock, kNumLock};
}

void TestX11Hotkey::f8PressActivatesOnce() {
    QFETCH(QList<quint32>, locks);
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    for (quint32 lock : locks) toggle(lock);
    desktop.tap(kF8);
    const bool fired = spy.wait(3000);
    QTest::qWait(100);
    for (quint32 lock : locks) toggle(lock);  // back off, also when the check fails
    QVERIFY(fired);
    QCOMPARE(spy.count(), 1);
}

void TestX11Hotkey::heldKeyActivatesOnce() {
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    // Held well past the auto-repeat delay: the repeats must not count.
    desktop.key(kF8, true);
    QTest::qWait(1200);
    desktop.key(kF8, false);
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
    desktop.tap(kF8);
    QVERIFY(spy.wait(3000));
    QCOMPARE(spy.count(), 2);
}

void TestX11Hotkey::modifiersMustMatch() {
    GlobalHotkey hotkey(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F9), true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    desktop.tap(kF9);  // not grabbed without the modifiers: goes to the focus instead
    desktop.key(kControlL, true);
    desktop.tap(kF9);
    desktop.key(kShiftL, true);
    desktop.tap(kF9);
    desktop.key(kShiftL, false);
    desktop.key(kControlL, false);
    QVERIFY(spy.wait(3000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
}

void TestX11Hotkey::keyGrabbedByAnotherClientStaysUnregistered() {
    TestDesktop other;
    QCOMPARE(other.grabKey(kF10, 0), 0);
    capturedWarnings.clear();
    previousHandler = qInstallMessageHandler(captureWarnings);
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F10), true);
    qInstallMessageHandler(previousHandler);
    QVERIFY(!hotkey.isRegistered());
    QCOMPARE(capturedWarnings.size(), 1);
    QVERIFY2(capturedWarnings.first().contains(QStringLiteral("another program")),
             qPrintable(capturedWarnings.first()));

    // Once the other program lets go, registering again succeeds.
    other.ungrabKey(kF10, 0);
    QVERIFY(hotkey.setRegistered(true));
    QSignalSpy spy(&hotkey, &GlobalHotkey::activated);
    desktop.tap(kF10);
    QVERIFY(spy.wait(3000));
}

void TestX11Hotkey::unregisteringFreesTheKey() {
    GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
    QVERIFY(hotkey.isRegistered());
    TestDesktop other;
    QCOMPARE(other.grabKey(kF8, 0), 10);  // BadAccess while we hold it
    QVERIFY(hotkey.setRegistered(false));
    QCOMPARE(other.grabKey(kF8, 0), 0);
    other.ungrabKey(kF8, 0);
}

void TestX11Hotkey::twoHotkeysOnOneKeyBothFire() {
    GlobalHotkey first(QKeySequence(Qt::Key_F8), true);
    auto* second = new GlobalHotkey(QKeySequence(Qt::Key_F8), true);
    QVERIFY(first.isRegistered() && second->isRegistered());
    QSignalSpy firstSpy(&first, &GlobalHotkey::activated);
    QSignalSpy secondSpy(second, &GlobalHotkey::activated);
    desktop.tap(kF8);
    QVERIFY(firstSpy.wait(3000));
    QCOMPARE(secondSpy.count(), 1);
    // Dropping one keeps the grab for the other.
    delete second;
    desktop.tap(kF8);
    QVERIFY(firstSpy.wait(3000));
    QCOMPARE(firstSpy.count(), 2);
}

QTEST_GUILESS_MAIN(TestX11Hotkey)
#include "tst_x11hotkey.moc"
