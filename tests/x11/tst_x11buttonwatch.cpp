// The global button watch on X11: it reports left and right presses anywhere on
// the desktop with the pointer position, and the press still reaches the window.
#include <QSignalSpy>
#include <QtTest>

#include "ButtonWatch.h"
#include "ClientProcess.h"
#include "Platform.h"
#include "TestDesktop.h"
#include "X11ButtonWatch.h"

Q_DECLARE_METATYPE(Qt::MouseButton)  // for the spies

namespace {
// The presses a spy on buttonPressed saw, as "BUTTON X Y" in Qt's button numbers.
QStringList presses(const QSignalSpy& spy) {
    QStringList seen;
    for (const QList<QVariant>& s : spy)
        seen << QStringLiteral("%1 %2 %3")
                    .arg(s.at(0).toInt())
                    .arg(s.at(1).toPoint().x())
                    .arg(s.at(1).toPoint().y());
    return seen;
}
}  // namespace

class TestX11ButtonWatch : public QObject {
    Q_OBJECT
    TestDesktop desktop;
    ClientProcess receiver;
    QRect field;

    void click(int button, const QPoint& at) {
        desktop.moveTo(at);
        desktop.button(button, true);
        desktop.button(button, false);
    }

private slots:
    void initTestCase() {
        QVERIFY2(desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY(dynamic_cast<X11ButtonWatch*>(&Platform::buttonWatch()));
        qRegisterMetaType<Qt::MouseButton>();
        QVERIFY(receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "300,200,500,60"}));
        const QList<QByteArray> f = receiver.readyFields();
        field =
            QRect(f.value(0).toInt(), f.value(1).toInt(), f.value(2).toInt(), f.value(3).toInt());
        QVERIFY(field.height() > 10);
    }
    void cleanup() { Platform::buttonWatch().remove(); }

    void pressIsReportedAndNotSwallowed_data() {
        QTest::addColumn<int>("xButton");
        QTest::addColumn<int>("button");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("left") << 1 << int(Qt::LeftButton) << field.topLeft() + QPoint(21, 4);
        QTest::newRow("right") << 3 << int(Qt::RightButton) << field.bottomRight() - QPoint(1, 1);
        QTest::newRow("left, outside any client") << 1 << int(Qt::LeftButton) << QPoint(5, 700);
    }
    void pressIsReportedAndNotSwallowed() {
        QFETCH(int, xButton);
        QFETCH(int, button);
        QFETCH(QPoint, at);
        ButtonWatch& watch = Platform::buttonWatch();
        QString error;
        QVERIFY2(watch.install(&error), qPrintable(error));
        // A second install is refused and leaves the first one in place.
        QVERIFY(!watch.install(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(watch.isInstalled());
        QSignalSpy spy(&watch, &ButtonWatch::buttonPressed);
        receiver.takeLines();
        click(xButton, at);
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        const QString press = QStringLiteral("%1 %2 %3").arg(button).arg(at.x()).arg(at.y());
        QCOMPARE(presses(spy), QStringList{press});
        // The client numbers buttons as Qt does.
        if (field.contains(at))
            QCOMPARE(receiver.waitForLine("press ", 3000), "press " + press.toLatin1());
    }

    void otherButtonsAreIgnored() {
        ButtonWatch& watch = Platform::buttonWatch();
        QVERIFY(watch.install(nullptr));
        QSignalSpy spy(&watch, &ButtonWatch::buttonPressed);
        click(2, QPoint(400, 300));  // middle
        click(4, QPoint(400, 300));  // wheel
        click(1, QPoint(401, 301));  // the one that counts
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(presses(spy), QStringList{"1 401 301"});
    }

    void onlyPressesWhileInstalledCount() {
        ButtonWatch& watch = Platform::buttonWatch();
        QSignalSpy spy(&watch, &ButtonWatch::buttonPressed);
        click(1, QPoint(600, 500));  // before the watch
        QVERIFY(watch.install(nullptr));
        QVERIFY(!spy.wait(300));
        watch.remove();
        QVERIFY(!watch.isInstalled());
        click(1, QPoint(450, 350));
        QVERIFY(!spy.wait(400));
        // And it can be installed again afterwards.
        QVERIFY(watch.install(nullptr));
        click(3, QPoint(451, 351));
        QVERIFY(spy.wait(3000));
        QTest::qWait(100);
        QCOMPARE(presses(spy), QStringList{"2 451 351"});
    }
};

QTEST_GUILESS_MAIN(TestX11ButtonWatch)
#include "tst_x11buttonwatch.moc"
