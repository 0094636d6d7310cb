// Where no desktop backend applies, every service refuses and says why, once.
#include <QtTest>

#include "ButtonWatch.h"
#include "GlobalHotkey.h"
#include "InputBackend.h"
#include "KeepAwake.h"
#include "Platform.h"

namespace {
QStringList captured;
QtMessageHandler previous = nullptr;
void capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && qstrcmp(context.category, "tapwise") == 0) captured << message;
    previous(type, context, message);
}
}  // namespace

class TestPlatformWithoutDisplay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void reason_data();
    void reason();
    void servicesRefuseAndSaySoOnce();
};

void TestPlatformWithoutDisplay::initTestCase() {
    // The test suite may run under a virtual display; this process must not see it.
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
}

void TestPlatformWithoutDisplay::reason_data() {
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QString>("expected");
    QTest::newRow("nothing") << QByteArray() << QByteArray()
                             << QStringLiteral("DISPLAY is not set");
    QTest::newRow("Wayland only") << QByteArray() << QByteArray("wayland-0")
                                  << QStringLiteral("Wayland");
    QTest::newRow("display that is not there")
        << QByteArray(":987") << QByteArray()
        << QStringLiteral("cannot open the X display \":987\"");
}

void TestPlatformWithoutDisplay::reason() {
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, wayland);
    QFETCH(QString, expected);
    if (!display.isEmpty()) qputenv("DISPLAY", display);
    if (!wayland.isEmpty()) qputenv("WAYLAND_DISPLAY", wayland);
    const QString reason = Platform::unavailableReason();
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    QVERIFY2(reason.contains(expected), qPrintable(reason));
}

void TestPlatformWithoutDisplay::servicesRefuseAndSaySoOnce() {
    captured.clear();
    previous = qInstallMessageHandler(capture);

    InputBackend& input = Platform::input();
    QVERIFY(!input.isAvailable());
    QVERIFY(input.unavailableReason().contains(QStringLiteral("DISPLAY")));
    QVERIFY(!input.send({InputRecord::key(65, false)}));
    QVERIFY(!input.send({InputRecord::key(65, true)}));
    QVERIFY(!input.screenSize().isValid());

    GlobalHotkey hotkey(QKeySequence(Qt::Key_F8), true);
    QVERIFY(!hotkey.isRegistered());

    QString error;
    QVERIFY(!Platform::buttonWatch().install(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!Platform::buttonWatch().isInstalled());
    Platform::keepAwake().request();
    Platform::keepAwake().release();

    // Asking again says nothing new.
    const int afterFirstUse = captured.size();
    Platform::input().send({InputRecord::key(66, false)});
    Platform::buttonWatch().install(nullptr);
    Platform::keepAwake().request();
    qInstallMessageHandler(previous);

    QCOMPARE(captured.size(), afterFirstUse);
    const auto count = [](const QString& needle) {
        int n = 0;
        for (const QString& line : captured) n += line.contains(needle) ? 1 : 0;
        return n;
    };
    QCOMPARE(count(QStringLiteral("input injection unavailable")), 1);
    QCOMPARE(count(QStringLiteral("synthetic input cannot be sent")), 1);
    QCOMPARE(count(QStringLiteral("global hotkeys unavailable")), 1);
    QCOMPARE(count(QStringLiteral("not registered")), 1);
    QCOMPARE(count(QStringLiteral("global button watch unavailable")), 1);
    QCOMPARE(count(QStringLiteral("keep-awake unavailable")), 1);
}

QTEST_GUILESS_MAIN(TestPlatformWithoutDisplay)
#include "tst_platformwithoutdisplay.moc"
