// The global button watch on X11: it reports left and right presses anywhere on
// the desktop with the pointer position, and the press still reaches the window.
#include <QtTest>

#include "ButtonWatch.h"
#include "ClientProcess.h"
#include "Platform.h"
#include "TestDesktop.h"
#include "X11ButtonWatch.h"

namespace {
// The presses a watch reported, in order.
struct Presses {
    explicit Presses(ButtonWatch& watch) {
        QObject::connect(&watch, &ButtonWatch::buttonPressed, &context,
                         [this](Qt::MouseButton b, const QPoint& p) {
                             buttons.append(b);
                             points.append(p);
                         });
    }
    bool wait(int ms) {
        const int before = buttons.size();
        QDeadlineTimer deadline(ms);
        while (buttons.size() == before && !deadline.hasExpired()) QTest::qWait(5);
        return buttons.size() > before;
    }
    int count() const { return buttons.size(); }

    QObject context;
    QList<Qt::MouseButton> buttons;
    QList<QPoint> points;
};
}  // namespace

class TestX11ButtonWatch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void pressIsReportedAndNotSwallowed_data();
    void pressIsReportedAndNotSwallowed();
    void otherButtonsAreIgnored();
    void secondInstallIsRefused();
    void removedWatchReportsNothing();
    void pressesBeforeInstallDoNotCount();

private:
    void click(int button, const QPoint& at) {
        desktop.moveTo(at);
        desktop.button(button, true);
        desktop.button(button, false);
    }

    TestDesktop desktop;
    ClientProcess raw;
    const QRect area{300, 200, 500, 400};
};

void TestX11ButtonWatch::initTestCase() {
    QVERIFY2(desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
    QVERIFY(dynamic_cast<X11ButtonWatch*>(&Platform::buttonWatch()));
    QVERIFY(raw.start(QStringLiteral(FLOWSMITH_RAW_CLIENT),
                      {QStringLiteral("--area"), QStringLiteral("%1,%2,%3,%4")
                                                     .arg(area.x())
                                                     .arg(area.y())
                                                     .arg(area.width())
                                                     .arg(area.height())}));
}

void TestX11ButtonWatch::cleanup() {
    Platform::buttonWatch().remove();
}

void TestX11ButtonWatch::pressIsReportedAndNotSwallowed_data() {
    QTest::addColumn<int>("xButton");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("left") << 1 << int(Qt::LeftButton) << QPoint(321, 234);
    QTest::newRow("right") << 3 << int(Qt::RightButton) << QPoint(799, 599);
    QTest::newRow("left, outside any client") << 1 << int(Qt::LeftButton) << QPoint(5, 700);
}

void TestX11ButtonWatch::pressIsReportedAndNotSwallowed() {
    QFETCH(int, xButton);
    QFETCH(int, button);
    QFETCH(QPoint, at);
    ButtonWatch& watch = Platform::buttonWatch();
    QString error;
    QVERIFY2(watch.install(&error), qPrintable(error));
    QVERIFY(watch.isInstalled());
    Presses spy(watch);
    raw.takeLines();
    click(xButton, at);
    QVERIFY(spy.wait(3000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(int(spy.buttons.at(0)), button);
    QCOMPARE(spy.points.at(0), at);
    if (area.contains(at)) {
        const QByteArray line = raw.waitForLine("buttonpress ", 3000);
        QCOMPARE(line.split(' ').mid(1, 3),
                 (QList<QByteArray>{QByteArray::number(xButton), QByteArray::number(at.x()),
                                    QByteArray::number(at.y())}));
    }
}

void TestX11ButtonWatch::otherButtonsAreIgnored() {
    ButtonWatch& watch = Platform::buttonWatch();
    QVERIFY(watch.install(nullptr));
    Presses spy(watch);
    click(2, QPoint(400, 300));  // middle
    click(4, QPoint(400, 300));  // wheel
    click(1, QPoint(401, 301));  // the one that counts
    QVERIFY(spy.wait(3000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.points.at(0), QPoint(401, 301));
}

void TestX11ButtonWatch::secondInstallIsRefused() {
    ButtonWatch& watch = Platform::buttonWatch();
    QVERIFY(watch.install(nullptr));
    QString error;
    QVERIFY(!watch.install(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(watch.isInstalled());
    // Still exactly one report per press.
    Presses spy(watch);
    click(1, QPoint(500, 400));
    QVERIFY(spy.wait(3000));
    QTest::qWait(100);
    QCOMPARE(spy.count(), 1);
}

void TestX11ButtonWatch::removedWatchReportsNothing() {
    ButtonWatch& watch = Platform::buttonWatch();
    QVERIFY(watch.install(nullptr));
    watch.remove();
    QVERIFY(!watch.isInstalled());
    Presses spy(watch);
    click(1, QPoint(450, 350));
    QVERIFY(!spy.wait(400));
    // And it can be installed again afterwards.
    QVERIFY(watch.install(nullptr));
    click(3, QPoint(451, 351));
    QVERIFY(spy.wait(3000));
    QCOMPARE(spy.count(), 1);
}

void TestX11ButtonWatch::pressesBeforeInstallDoNotCount() {
    ButtonWatch& watch = Platform::buttonWatch();
    click(1, QPoint(600, 500));
    QVERIFY(watch.install(nullptr));
    Presses spy(watch);
    QVERIFY(!spy.wait(300));
    click(1, QPoint(610, 510));
    QVERIFY(spy.wait(3000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.points.at(0), QPoint(610, 510));
}

QTEST_GUILESS_MAIN(TestX11ButtonWatch)
#include "tst_x11buttonwatch.moc"
