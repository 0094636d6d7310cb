// The screen point picker: its editor, the overlay and the one pick of the process.
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "support/FakeButtonWatch.h"
#include "support/FakeHotkeyBackend.h"
#include "ui/GlobalMouseWidget.h"
#include "ui/PointPickState.h"
#include "ui/PointSelectWidget.h"

namespace {
QList<GlobalMouseWidget*> overlays() {
    QList<GlobalMouseWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* o = qobject_cast<GlobalMouseWidget*>(w)) found << o;
    return found;
}
void clickPick(PointSelectWidget* picker) {
    QTest::mouseClick(picker->findChild<QPushButton*>(), Qt::LeftButton);
}
// A main window whose one widget is a picker.
struct PickerWindow {
    QMainWindow window;
    QPointer<PointSelectWidget> picker = new PointSelectWidget(&window);
    PickerWindow() { window.setCentralWidget(picker); }
};
}  // namespace

class TestPointSelect : public QObject {
    Q_OBJECT
private:
    FakeButtonWatch m_watch;
    FakeHotkeyBackend m_hotkeys;
    QStringList m_told;

private slots:
    void initTestCase() {
        Platform::setButtonWatch(&m_watch);
        Platform::setHotkeys(&m_hotkeys);
        PointPickState::instance().setNotifier(
            [this](const QString& title, const QString& text) { m_told << title << text; });
    }
    void cleanupTestCase() {
        Platform::setButtonWatch(nullptr);
        Platform::setHotkeys(nullptr);
    }
    void init() {
        m_watch.installs = m_watch.removes = 0;
        m_watch.failure.clear();
        m_told.clear();
    }
    void cleanup() {
        QVERIFY(!PointPickState::instance().isPicking());
        QVERIFY(!m_watch.installed);
        QTRY_VERIFY(overlays().isEmpty());
    }

    void pressEndsThePick_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
    }
    void pressEndsThePick() {
        QFETCH(int, button);
        PickerWindow w;
        QMainWindow& window = w.window;
        PointSelectWidget* picker = w.picker;
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy changed(picker, &PointSelectWidget::valueChanged);
        clickPick(picker);
        QVERIFY(PointPickState::instance().isPicking());
        QVERIFY(!window.isVisible());
        QCOMPARE(overlays(), QList<GlobalMouseWidget*>{picker->overlay()});
        m_watch.press(Qt::MiddleButton, {1, 1});  // other buttons do not end it
        QVERIFY(PointPickState::instance().isPicking());
        m_watch.press(Qt::MouseButton(button), {321, 123});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toPoint(), QPoint(321, 123));
        QCOMPARE(picker->findChild<QLineEdit*>()->text(), QString("321, 123"));
        QCOMPARE(m_watch.removes, 1);
        QVERIFY(window.isVisible());
        QVERIFY(!(window.windowState() & Qt::WindowMaximized));
    }

    void watchThatCannotBeInstalled() {
        m_watch.failure = "no X11 display";
        PickerWindow w;
        w.window.show();
        clickPick(w.picker);
        QVERIFY(w.window.isVisible());
        QCOMPARE(m_told.size(), 2);
        QVERIFY(m_told.at(1).contains("no X11 display"));
    }

    void pickEndsWithoutAPoint_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("picker destroyed") << false;
        QTest::newRow("Escape pressed") << true;
    }
    void pickEndsWithoutAPoint() {
        QFETCH(bool, escape);
        PickerWindow w;
        QMainWindow& window = w.window;
        QPointer<PointSelectWidget>& picker = w.picker;
        window.show();
        QSignalSpy changed(picker.data(), &PointSelectWidget::valueChanged);
        clickPick(picker);
        QVERIFY(!window.isVisible());
        if (escape) {
            // The window with the focus is hidden: Escape is grabbed for the pick.
            QCOMPARE(m_hotkeys.held.size(), 1);
            QCOMPARE(m_hotkeys.held.first()->shortcut(), QKeySequence(Qt::Key_Escape));
            emit m_hotkeys.held.first()->activated();
        } else {
            delete picker;
            QVERIFY(!PointPickState::instance().activePicker());
        }
        QVERIFY(window.isVisible());
        QCOMPARE(changed.count(), 0);
        QTRY_VERIFY(m_hotkeys.held.isEmpty());  // Escape is other programs' again
    }

    void secondStartTakesOverWithTheSameWatch() {
        QWidget window;
        auto* first = new PointSelectWidget(&window);
        auto* second = new PointSelectWidget(&window);
        window.show();
        QSignalSpy firstChanged(first, &PointSelectWidget::valueChanged);
        clickPick(first);
        clickPick(second);
        clickPick(second);  // again from the same picker: still one label
        QCOMPARE(m_watch.installs, 1);
        QCOMPARE(overlays(), QList<GlobalMouseWidget*>{second->overlay()});
        m_watch.press(Qt::RightButton, {40, 50});
        QCOMPARE(firstChanged.count(), 0);
        QCOMPARE(second->value(), QPoint(40, 50));
        QCOMPARE(m_watch.removes, 1);
    }

    void overlayPlacement_data() {
        QTest::addColumn<QPoint>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPoint>("shown");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("scale 1.5")
            << QPoint(100, 200) << 1.5 << QPoint(150, 300) << QPoint(120, 220);
        QTest::newRow("halves round up") << QPoint(1, -1) << 1.5 << QPoint(2, -1) << QPoint(21, 19);
        QTest::newRow("truncated towards zero")
            << QPoint(-100, 100) << 1.75 << QPoint(-175, 175) << QPoint(-82, 117);
    }
    // The label shows device pixels and sits 30 device pixels right of and below the pointer.
    void overlayPlacement() {
        QFETCH(QPoint, logical);
        QFETCH(qreal, ratio);
        const GlobalMouseWidget::Placement p = GlobalMouseWidget::placementFor(logical, ratio);
        QTEST(p.position, "shown");
        QTEST(p.topLeft, "topLeft");
    }
};

QTEST_MAIN(TestPointSelect)
#include "tst_pointselect.moc"
