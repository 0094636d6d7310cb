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

    // Clicks X button `button` at each point; the presses the watch reported meanwhile.
    QStringList clicks(int button, const QList<QPoint>& points) {
        m_seen.clear();
        for (const QPoint& at : points) {
            m_desktop.moveTo(at);
            m_desktop.button(button, true);
            m_desktop.button(button, false);
        }
        (void)QTest::qWaitFor([&] { return !m_seen.isEmpty(); }, 1500);
        QTest::qWait(100);
        return m_seen;
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

    void pressesWhileInstalled() {
        ButtonWatch& watch = Platform::buttonWatch();
        QCOMPARE(clicks(1, {{600, 500}}), QStringList());  // before the watch
        QString error;
        QVERIFY2(watch.install(&error), qPrintable(error));
        // A second install is refused and leaves the first one in place.
        QVERIFY(!watch.install(&error) && !error.isEmpty() && watch.isInstalled());
        QCOMPARE(clicks(1, {{321, 234}}), QStringList{"1 321 234"});
        // Watching takes nothing from the window under the pointer.
        QVERIFY(!m_receiver.waitForLine("press 1 321 234").isEmpty());
        QCOMPARE(clicks(3, {{1365, 767}}), QStringList{"2 1365 767"});
        QCOMPARE(clicks(2, {{400, 300}}), QStringList());  // middle
        QCOMPARE(clicks(4, {{400, 300}}), QStringList());  // wheel
        watch.remove();
        QVERIFY(!watch.isInstalled());
        QCOMPARE(clicks(1, {{450, 350}}), QStringList());
        // And it can be installed again afterwards.
        QVERIFY(watch.install(nullptr));
        QCOMPARE(clicks(3, {{451, 351}}), QStringList{"2 451 351"});
        watch.remove();
    }
};

QTEST_GUILESS_MAIN(TestX11ButtonWatch)
#include "tst_x11buttonwatch.moc"
