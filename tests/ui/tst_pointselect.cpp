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
// A main window with two pickers.
struct PickerWindow {
    QMainWindow window;
    QWidget* central = new QWidget(&window);
    QPointer<PointSelectWidget> first = new PointSelectWidget(central);
    QPointer<PointSelectWidget> second = new PointSelectWidget(central);
    PickerWindow() { window.setCentralWidget(central); }
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

    // A left or right press ends the one pick of the process, which the last picker
    // clicked took over with the same watch and one label.
    void pressEndsThePick_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
    }
    void pressEndsThePick() {
        QFETCH(int, button);
        PickerWindow w;
        w.window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        QSignalSpy firstChanged(w.first.data(), &PointSelectWidget::valueChanged);
        QSignalSpy changed(w.second.data(), &PointSelectWidget::valueChanged);
        clickPick(w.first);
        QVERIFY(!w.window.isVisible());
        clickPick(w.second);
        clickPick(w.second);
        QCOMPARE(m_watch.installs, 1);
        QCOMPARE(overlays(), QList<GlobalMouseWidget*>{w.second->overlay()});
        m_watch.press(Qt::MiddleButton, {1, 1});  // other buttons do not end it
        QVERIFY(PointPickState::instance().isPicking());
        m_watch.press(Qt::MouseButton(button), {321, 123});
        QCOMPARE(firstChanged.count(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toPoint(), QPoint(321, 123));
        QCOMPARE(w.second->findChild<QLineEdit*>()->text(), QString("321, 123"));
        QCOMPARE(m_watch.removes, 1);
        QVERIFY(w.window.isVisible() && !(w.window.windowState() & Qt::WindowMaximized));
    }

    void pickEndsWithoutAPoint_data() {
        QTest::addColumn<QString>("end");
        QTest::newRow("picker destroyed") << "destroyed";
        QTest::newRow("Escape pressed") << "escape";
        QTest::newRow("no watch") << "no X11 display";
    }
    void pickEndsWithoutAPoint() {
        QFETCH(QString, end);
        PickerWindow w;
        w.window.show();
        QSignalSpy changed(w.first.data(), &PointSelectWidget::valueChanged);
        if (end != "escape" && end != "destroyed") m_watch.failure = end;
        clickPick(w.first);
        if (end == "escape") {
            // The window with the focus is hidden: Escape is grabbed for the pick.
            QVERIFY(!w.window.isVisible());
            QCOMPARE(m_hotkeys.held.size(), 1);
            QCOMPARE(m_hotkeys.held.first()->shortcut(), QKeySequence(Qt::Key_Escape));
            emit m_hotkeys.held.first()->activated();
        } else if (end == "destroyed") {
            QVERIFY(!w.window.isVisible());
            delete w.first;
            QVERIFY(!PointPickState::instance().activePicker());
        }
        QVERIFY(w.window.isVisible());
        QCOMPARE(changed.count(), 0);
        QVERIFY(m_told.isEmpty() || m_told.value(1).contains(end));
        QCOMPARE(m_told.isEmpty(), m_watch.failure.isEmpty());
        QTRY_VERIFY(m_hotkeys.held.isEmpty());  // Escape is other programs' again
    }

    // The label shows device pixels and sits 30 device pixels right of and below the pointer.
    void overlayPlacement_data() {
        QTest::addColumn<QPoint>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPoint>("shown");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("halves round up") << QPoint(1, -1) << 1.5 << QPoint(2, -1) << QPoint(21, 19);
        QTest::newRow("truncated towards zero")
            << QPoint(-100, 100) << 1.75 << QPoint(-175, 175) << QPoint(-82, 117);
    }
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
