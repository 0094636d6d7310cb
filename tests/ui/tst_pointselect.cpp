#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "AutoPropertyBrowser.h"
#include "ButtonWatch.h"
#include "GlobalMouseWidget.h"
#include "MouseClickOperation.h"
#include "OperationPropertyBrowser.h"
#include "Platform.h"
#include "PointPickState.h"
#include "PointSelectWidget.h"
#include "Property.h"

namespace {

// Stands in for the desktop's button watch; presses come from the test.
class FakeWatch : public ButtonWatch {
public:
    int installs = 0;
    int removes = 0;
    bool installed = false;
    QString failure;  // non-empty: install fails with it

    bool install(QString* error) override {
        ++installs;
        if (!failure.isEmpty() || installed) {
            if (error) *error = installed ? QStringLiteral("already installed") : failure;
            return false;
        }
        installed = true;
        return true;
    }
    void remove() override {
        ++removes;
        installed = false;
    }
    bool isInstalled() const override { return installed; }
    // A real watch reports presses only while installed.
    void press(Qt::MouseButton button, const QPoint& pos) {
        if (installed) emit buttonPressed(button, pos);
    }
};

QList<GlobalMouseWidget*> overlays() {
    QList<GlobalMouseWidget*> found;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* o = qobject_cast<GlobalMouseWidget*>(w)) found << o;
    return found;
}

QPushButton* pickButton(PointSelectWidget* picker) {
    return picker->findChild<QPushButton*>();
}

}  // namespace

// The screen point picker: its editor, the overlay and the one pick of the process.
class TestPointSelect : public QObject {
    Q_OBJECT
private:
    FakeWatch* watch = nullptr;
    QStringList told;

private slots:
    void initTestCase() {
        PointPickState::instance().setNotifier(
            [this](const QString& title, const QString& text) { told << title << text; });
    }
    void init() {
        watch = new FakeWatch;
        Platform::setButtonWatch(watch);
        told.clear();
    }
    void cleanup() {
        QVERIFY(!PointPickState::instance().isPicking());
        Platform::setButtonWatch(nullptr);
        delete watch;
        watch = nullptr;
        QTRY_VERIFY(overlays().isEmpty());
    }

    void showsThePointWithoutReportingIt() {
        PointSelectWidget picker;
        auto* display = picker.findChild<QLineEdit*>();
        QVERIFY(display && display->isReadOnly());
        QCOMPARE(display->text(), QString("0, 0"));
        QCOMPARE(pickButton(&picker)->text(), QString("..."));
        QCOMPARE(pickButton(&picker)->width(), 30);
        QSignalSpy changed(&picker, &PointSelectWidget::valueChanged);
        picker.setValue({100, 250});
        QCOMPARE(display->text(), QString("100, 250"));
        picker.setValue({-5, 7});
        QCOMPARE(display->text(), QString("-5, 7"));
        QCOMPARE(picker.value(), QPoint(-5, 7));
        QCOMPARE(changed.count(), 0);
    }

    void pressEndsThePick_data() {
        QTest::addColumn<int>("button");
        QTest::newRow("left") << int(Qt::LeftButton);
        QTest::newRow("right") << int(Qt::RightButton);
    }
    void pressEndsThePick() {
        QFETCH(int, button);
        QMainWindow window;
        auto* picker = new PointSelectWidget(&window);
        window.setCentralWidget(picker);
        window.showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy changed(picker, &PointSelectWidget::valueChanged);

        QTest::mouseClick(pickButton(picker), Qt::LeftButton);
        QVERIFY(PointPickState::instance().isPicking());
        QCOMPARE(PointPickState::instance().activePicker(), picker);
        QVERIFY(watch->installed);
        QVERIFY(!window.isVisible());
        QCOMPARE(overlays().size(), 1);
        QCOMPARE(picker->overlay(), overlays().first());
        QVERIFY(picker->overlay()->isVisible());

        // Moves of other buttons do not end it.
        watch->press(Qt::MiddleButton, {1, 1});
        QVERIFY(PointPickState::instance().isPicking());

        watch->press(Qt::MouseButton(button), {321, 123});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toPoint(), QPoint(321, 123));
        QCOMPARE(picker->value(), QPoint(321, 123));
        QVERIFY(!PointPickState::instance().isPicking());
        QVERIFY(!picker->overlay());
        QVERIFY(!watch->installed);
        QCOMPARE(watch->installs, 1);
        QCOMPARE(watch->removes, 1);
        QVERIFY(window.isVisible());
        QVERIFY(!(window.windowState() & Qt::WindowMaximized));
        // The active picker stays known after the pick.
        QCOMPARE(PointPickState::instance().activePicker(), picker);
    }

    void pickWithoutAMainWindow() {
        QWidget window;
        auto* picker = new PointSelectWidget(&window);
        window.show();
        QVERIFY(!findMainWindow());
        QSignalSpy changed(picker, &PointSelectWidget::valueChanged);
        QTest::mouseClick(pickButton(picker), Qt::LeftButton);
        QVERIFY(window.isVisible());
        watch->press(Qt::LeftButton, {9, 8});
        QCOMPARE(changed.count(), 1);
        QCOMPARE(picker->value(), QPoint(9, 8));
    }

    void findMainWindowTakesTheFirstMainWindow() {
        QWidget plain;
        plain.show();
        QVERIFY(!findMainWindow());
        QMainWindow main;
        QCOMPARE(findMainWindow(), &main);
    }

    void watchThatCannotBeInstalled() {
        watch->failure = "no X11 display";
        QMainWindow window;
        auto* picker = new PointSelectWidget(&window);
        window.setCentralWidget(picker);
        window.show();
        QSignalSpy changed(picker, &PointSelectWidget::valueChanged);
        QTest::mouseClick(pickButton(picker), Qt::LeftButton);
        QVERIFY(!PointPickState::instance().isPicking());
        QVERIFY(window.isVisible());
        QVERIFY(!picker->overlay());
        QVERIFY(overlays().isEmpty());
        QCOMPARE(told.size(), 2);
        QCOMPARE(told.at(0), QString("TapwiseZindra-键盘鼠标自动化输入工具"));
        QVERIFY(told.at(1).contains("no X11 display"));
        QCOMPARE(changed.count(), 0);
    }

    void pickerDestroyedDuringThePick() {
        QMainWindow window;
        QPointer<PointSelectWidget> picker = new PointSelectWidget(&window);
        window.setCentralWidget(picker);
        window.show();
        QTest::mouseClick(pickButton(picker), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        delete picker;
        QVERIFY(!PointPickState::instance().isPicking());
        QVERIFY(window.isVisible());
        QVERIFY(!watch->installed);
        QVERIFY(overlays().isEmpty());
        QVERIFY(!PointPickState::instance().activePicker());
        watch->installed = true;  // even a stray press from the desktop reaches nobody
        watch->press(Qt::LeftButton, {1, 2});
        watch->installed = false;
    }

    void secondStartTakesOverWithTheSameWatch() {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* first = new PointSelectWidget(&window);
        auto* second = new PointSelectWidget(&window);
        layout->addWidget(first);
        layout->addWidget(second);
        window.show();
        QSignalSpy firstChanged(first, &PointSelectWidget::valueChanged);
        QSignalSpy secondChanged(second, &PointSelectWidget::valueChanged);
        QTest::mouseClick(pickButton(first), Qt::LeftButton);
        QTest::mouseClick(pickButton(second), Qt::LeftButton);
        QCOMPARE(watch->installs, 1);
        QVERIFY(!first->overlay());
        QVERIFY(second->overlay());
        QCOMPARE(overlays().size(), 1);
        // Starting again from the same picker renews its label only.
        QTest::mouseClick(pickButton(second), Qt::LeftButton);
        QCOMPARE(watch->installs, 1);
        QCOMPARE(overlays().size(), 1);

        watch->press(Qt::RightButton, {40, 50});
        QCOMPARE(firstChanged.count(), 0);
        QCOMPARE(secondChanged.count(), 1);
        QCOMPARE(second->value(), QPoint(40, 50));
        QCOMPARE(watch->removes, 1);
    }

    void overlayPlacement_data() {
        QTest::addColumn<QPoint>("logical");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QPoint>("shown");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("scale 1") << QPoint(100, 200) << 1.0 << QPoint(100, 200) << QPoint(130, 230);
        QTest::newRow("scale 1.5")
            << QPoint(100, 200) << 1.5 << QPoint(150, 300) << QPoint(120, 220);
        QTest::newRow("halves round up") << QPoint(1, -1) << 1.5 << QPoint(2, -1) << QPoint(21, 19);
        QTest::newRow("truncated towards zero")
            << QPoint(-100, 100) << 1.75 << QPoint(-175, 175) << QPoint(-82, 117);
        QTest::newRow("scale 2") << QPoint(0, 0) << 2.0 << QPoint(0, 0) << QPoint(15, 15);
    }
    void overlayPlacement() {
        QFETCH(QPoint, logical);
        QFETCH(qreal, ratio);
        QFETCH(QPoint, shown);
        QFETCH(QPoint, topLeft);
        const GlobalMouseWidget::Placement p = GlobalMouseWidget::placementFor(logical, ratio);
        QCOMPARE(p.position, shown);
        QCOMPARE(p.topLeft, topLeft);
    }

    void overlayFollowsThePointer() {
        QCursor::setPos(200, 150);
        if (QCursor::pos() != QPoint(200, 150)) QSKIP("this platform does not move the pointer");
        GlobalMouseWidget overlay;
        overlay.show();
        QTRY_COMPARE(overlay.position(), QPoint(200, 150));
        QTRY_COMPARE(overlay.pos(), QPoint(230, 180));
        QCursor::setPos(10, 20);
        QTRY_COMPARE(overlay.position(), QPoint(10, 20));
    }

    void overlayDrawsTranslucentBlack() {
        GlobalMouseWidget overlay;
        QImage image(overlay.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        overlay.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        const QColor corner = image.pixelColor(1, 1);
        QCOMPARE(corner.alpha(), 160);
        QCOMPARE(corner.red(), 0);
        // The coordinates are written in white somewhere in the label.
        bool white = false;
        for (int y = 0; y < image.height() && !white; ++y)
            for (int x = 0; x < image.width() && !white; ++x)
                white = image.pixelColor(x, y).red() > 200;
        QVERIFY(white);
    }

    void pickThroughTheGridWritesTheOperation() {
        MouseClickOperation op;
        op.setPosition({5, 5});
        QMainWindow window;
        auto* browser = new AutoPropertyBrowser(&window);
        window.setCentralWidget(browser);
        window.resize(320, 300);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        browser->setObject(&op);
        QSignalSpy edits(browser, &AutoPropertyBrowser::sigValueChanged);
        QVERIFY(browser->treeBrowser()->editProperty(browser->rowForProperty("position")));
        auto* picker = qobject_cast<PointSelectWidget*>(browser->treeBrowser()->currentEditor());
        QVERIFY(picker);
        QCOMPARE(picker->value(), QPoint(5, 5));
        QTest::mouseClick(pickButton(picker), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCoreApplication::processEvents();
        // The edit stays open while the window is away.
        QCOMPARE(browser->treeBrowser()->currentEditor(), picker);
        watch->press(Qt::LeftButton, {640, 360});
        QCOMPARE(op.position(), QPoint(640, 360));
        QCOMPARE(edits.count(), 1);
        QCOMPARE(browser->rowForProperty("position")->valueText(), QString("640, 360"));
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

QTEST_MAIN(TestPointSelect)
#include "tst_pointselect.moc"
