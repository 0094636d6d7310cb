// The global button watch on X11: it reports left and right presses anywhere on the
// desktop with the pointer position, and the press still reaches the window under it.
#include <QtTest>

#include "platform/ButtonWatch.h"
#include "platform/Platform.h"
#include "platform/x11/X11ButtonWatch.h"
#include "support/ClientProcess.h"
#include "support/TestDesktop.h"

class TestX11ButtonWatch : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;
    ClientProcess m_receiver;  // a window under some of the presses
    QStringList m_seen;        // "BUTTON X Y" of each press the watch reported, Qt's button numbers

    bool waitForPress(int ms) {
        const int before = m_seen.size();
        return QTest::qWaitFor([&] { return m_seen.size() > before; }, ms);
    }
    void click(int button, const QPoint& at) {
        m_desktop.moveTo(at);
        m_desktop.button(button, true);
        m_desktop.button(button, false);
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY(dynamic_cast<X11ButtonWatch*>(&Platform::buttonWatch()));
        QVERIFY2(m_receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "300,200,200,60"}),
                 qPrintable(m_receiver.errorText()));
        connect(&Platform::buttonWatch(), &ButtonWatch::buttonPressed, this,
                [this](Qt::MouseButton b, const QPoint& p) {
                    m_seen << QStringLiteral("%1 %2 %3").arg(b).arg(p.x()).arg(p.y());
                });
    }
    void init() { m_seen.clear(); }
    void cleanup() { Platform::buttonWatch().remove(); }

    void pressIsReported_data() {
        QTest::addColumn<int>("xButton");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("reported");
        QTest::newRow("left") << 1 << QPoint(321, 234) << "1 321 234";
        QTest::newRow("right") << 3 << QPoint(1365, 767) << "2 1365 767";
    }
    void pressIsReported() {
        QFETCH(int, xButton);
        QFETCH(QPoint, at);
        QFETCH(QString, reported);
        ButtonWatch& watch = Platform::buttonWatch();
        QString error;
        QVERIFY2(watch.install(&error), qPrintable(error));
        // A second install is refused and leaves the first one in place.
        QVERIFY(!watch.install(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(watch.isInstalled());
        click(xButton, at);
        QVERIFY(waitForPress(3000));
        QTest::qWait(100);
        QCOMPARE(m_seen, QStringList{reported});
        // Watching takes nothing from the window under the pointer.
        if (xButton == 1) QVERIFY(!m_receiver.waitForLine("press 1 321 234").isEmpty());
    }

    void otherButtonsAreIgnored() {
        QVERIFY(Platform::buttonWatch().install(nullptr));
        click(2, QPoint(400, 300));  // middle
        click(4, QPoint(400, 300));  // wheel
        click(1, QPoint(401, 301));  // the one that counts
        QVERIFY(waitForPress(3000));
        QTest::qWait(100);
        QCOMPARE(m_seen, QStringList{"1 401 301"});
    }

    void onlyPressesWhileInstalledCount() {
        ButtonWatch& watch = Platform::buttonWatch();
        click(1, QPoint(600, 500));  // before the watch
        QVERIFY(watch.install(nullptr));
        QVERIFY(!waitForPress(300));
        watch.remove();
        QVERIFY(!watch.isInstalled());
        click(1, QPoint(450, 350));
        QVERIFY(!waitForPress(400));
        // And it can be installed again afterwards.
        QVERIFY(watch.install(nullptr));
        click(3, QPoint(451, 351));
        QVERIFY(waitForPress(3000));
        QTest::qWait(100);
        QCOMPARE(m_seen, QStringList{"2 451 351"});
    }
};

QTEST_GUILESS_MAIN(TestX11ButtonWatch)
#include "tst_x11buttonwatch.moc"
