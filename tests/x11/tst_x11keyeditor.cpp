// The key editor with key presses and clicks from a real X server: keys that have no
// portable name are not captured, and a middle click never pastes the selection.
#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

#include "support/TestDesktop.h"
#include "ui/KeyInputWidget.h"

namespace {
constexpr quint32 kSuperL = 0xffeb, kHyperL = 0xffed, kAltGr = 0xfe03, kModeSwitch = 0xff7e,
                  kA = 0x61;
}  // namespace

class TestX11KeyEditor : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;

private slots:
    void onlyNamedKeysAreCapturedAndNothingIsPasted() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        KeyInputWidget keys;
        keys.show();
        QVERIFY(QTest::qWaitForWindowExposed(&keys));
        m_desktop.setFocus(keys.winId());
        QSignalSpy captured(&keys, &KeyInputWidget::valueChanged);
        for (quint32 keysym : {kSuperL, kHyperL, kAltGr, kModeSwitch}) m_desktop.tap(keysym);
        m_desktop.tap(kA);  // a named key after them still comes through
        QTRY_COMPARE(captured.count(), 1);
        QCOMPARE(keys.text(), QStringLiteral("A"));

        QGuiApplication::clipboard()->setText(QStringLiteral("pasted"), QClipboard::Selection);
        m_desktop.moveTo(keys.mapToGlobal(keys.rect().center()));
        m_desktop.button(2, true);
        m_desktop.button(2, false);
        QTest::qWait(300);
        QCOMPARE(keys.text(), QStringLiteral("A"));
        QCOMPARE(captured.count(), 1);
    }
};

QTEST_MAIN(TestX11KeyEditor)
#include "tst_x11keyeditor.moc"
