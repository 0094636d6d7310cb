// Where no desktop backend applies, every service refuses and says why, once.
#include <QtTest>

#include "platform/ButtonWatch.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputBackend.h"
#include "platform/InputRecorder.h"
#include "platform/KeepAwake.h"
#include "platform/Platform.h"
#include "support/LogCapture.h"

class TestPlatformWithoutDisplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The test suite may run under a virtual display; this process must not see it.
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
    }

    void reason() {
        const auto reasonWith = [](const char* variable, const QByteArray& value) {
            qputenv(variable, value);
            const QString reason = Platform::unavailableReason();
            qunsetenv(variable);
            return reason;
        };
        QVERIFY(Platform::unavailableReason().contains("DISPLAY is not set"));
        QVERIFY(reasonWith("WAYLAND_DISPLAY", "wayland-0").contains("Wayland"));
        QVERIFY(reasonWith("DISPLAY", ":987").contains("cannot open the X display \":987\""));
    }

    void servicesRefuseAndSaySoOnce() {
        LogCapture log;
        for (int attempt = 0; attempt < 2; ++attempt) {
            InputBackend& input = Platform::input();
            QVERIFY(!input.isAvailable() && input.unavailableReason().contains("DISPLAY"));
            QVERIFY(!input.send({InputRecord::key(65, false)}));
            QVERIFY(!input.screenSize().isValid());
            QVERIFY(!GlobalHotkey(QKeySequence(Qt::Key_F8), true).isRegistered());
            QString error;
            QVERIFY(!Platform::buttonWatch().install(&error) && !error.isEmpty());
            QVERIFY(!Platform::buttonWatch().isInstalled());
            QVERIFY(!Platform::inputRecorder().start(&error) && error.contains("DISPLAY"));
            Platform::keepAwake().request();
            Platform::keepAwake().release();
        }
        // Asking again says nothing new, but each hotkey says it was not registered.
        const QStringList warnings = log.messages(QtWarningMsg);
        for (const char* says : {"input injection unavailable", "synthetic input cannot be sent",
                                 "global hotkeys unavailable", "global button watch unavailable",
                                 "keep-awake unavailable", "input recording unavailable"})
            QVERIFY2(warnings.filter(QLatin1String(says)).size() == 1, says);
        QCOMPARE(warnings.filter("not registered").size(), 2);
        QCOMPARE(warnings.size(), 8);
    }
};

QTEST_GUILESS_MAIN(TestPlatformWithoutDisplay)
#include "tst_platformwithoutdisplay.moc"
