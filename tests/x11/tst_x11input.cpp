// Replays operations through the X11 backend into real X clients and checks what
// they received: a Qt window with a text field, and a plain Xlib window.
#include <QSignalSpy>
#include <QtTest>

#include "ClientProcess.h"
#include "InputBackend.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "Platform.h"
#include "TestDesktop.h"
#include "TextInputOperation.h"
#include "X11InputBackend.h"

namespace {
constexpr quint32 kShiftL = 0xffe1, kControlL = 0xffe3, kCapsLock = 0xffe5;
const QRect kReceiverArea(40, 40, 600, 60);
const QRect kRawArea(700, 300, 400, 300);

struct KeyEvent {
    int keycode = 0;
    quint32 keysym = 0;
    unsigned state = 0;
};
}  // namespace

class TestX11Input : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void typesText_data();
    void typesText();
    void typesExactlyWithCapsLockOn();
    void typesExactlyWhileShiftIsHeld();
    void ctrlATapReachesClients();
    void virtualKeysPressTheirKey_data();
    void virtualKeysPressTheirKey();
    void unknownKeySendsNothing();
    void clicksAtThePointMovedTo_data();
    void clicksAtThePointMovedTo();
    void doubleClickReachesQtWindow();
    void movesLandOnExactPixels();
    void movesOutsideTheScreenAreClamped_data();
    void movesOutsideTheScreenAreClamped();
    void borrowedKeycodesAreRestored();
    void releaseHeldLiftsKeysAndButtons();

private:
    void focusReceiver();
    void focusRaw();
    QString receiverText();
    bool waitForText(const QString& expected, QString* last);
    void typeText(const QString& text);
    void tapKey(const QString& key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QList<KeyEvent> rawKeyPresses(int expectedCount);
    QList<QList<QByteArray>> rawLines(const QByteArray& prefix, int expectedCount);

    TestDesktop desktop;
    ClientProcess receiver;
    ClientProcess raw;
    unsigned long receiverWindow = 0;
    QRect receiverField;
    unsigned long rawWindow = 0;
    QList<QByteArray> rawBacklog;
};

void TestX11Input::initTestCase() {
    QVERIFY2(desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
    QVERIFY2(Platform::input().isAvailable(), qPrintable(Platform::input().unavailableReason()));
    QVERIFY(dynamic_cast<X11InputBackend*>(&Platform::input()));

    const auto geometry = [](const QRect& r) {
        return QStringList{
            QStringLiteral("--area"),
            QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())};
    };
    QVERIFY2(raw.start(QStringLiteral(FLOWSMITH_RAW_CLIENT), geometry(kRawArea)),
             qPrintable(raw.errorText()));
    rawWindow = raw.readyFields().value(0).toULong();
    QVERIFY2(receiver.start(QStringLiteral(FLOWSMITH_TEXT_RECEIVER), geometry(kReceiverArea)),
             qPrintable(receiver.errorText()));
    const QList<QByteArray> f = receiver.readyFields();
    receiverField =
        QRect(f.value(0).toInt(), f.value(1).toInt(), f.value(2).toInt(), f.value(3).toInt());
    receiverWindow = f.value(4).toULong();
    QVERIFY(rawWindow != 0 && receiverWindow != 0);
}

void TestX11Input::focusReceiver() {
    desktop.setFocus(receiverWindow);
    receiver.send("clear");
    QVERIFY(!receiver.waitForLine("cleared").isEmpty());
    receiver.takeLines();
}

void TestX11Input::focusRaw() {
    desktop.setFocus(rawWindow);
    raw.settle(50);
    raw.takeLines();
    rawBacklog.clear();
}

QString TestX11Input::receiverText() {
    receiver.send("text");
    const QByteArray line = receiver.waitForLine("text ");
    return QString::fromUtf8(QByteArray::fromHex(line.mid(5)));
}

bool TestX11Input::waitForText(const QString& expected, QString* last) {
    QDeadlineTimer deadline(5000);
    do {
        *last = receiverText();
        if (*last == expected) return true;
        QThread::msleep(30);
    } while (!deadline.hasExpired());
    return false;
}

void TestX11Input::typeText(const QString& text) {
    TextInputOperation op;
    op.setText(text);
    op.execute();
}

void TestX11Input::tapKey(const QString& key, Qt::KeyboardModifiers modifiers) {
    KeyboardOperation op;
    op.setEventType(2);
    op.setKey(key);
    op.setModifiers(modifiers);
    op.execute();
}

QList<QList<QByteArray>> TestX11Input::rawLines(const QByteArray& prefix, int expectedCount) {
    // Collects the client's lines until enough of the kind asked for have come;
    // the other lines are kept for the next call.
    QDeadlineTimer deadline(3000);
    for (;;) {
        rawBacklog += raw.takeLines();
        QList<QList<QByteArray>> found;
        for (const QByteArray& line : rawBacklog)
            if (line.startsWith(prefix + ' ')) found.append(line.split(' ').mid(1));
        if (found.size() >= expectedCount || deadline.hasExpired()) return found;
        raw.settle(20);
    }
}

QList<KeyEvent> TestX11Input::rawKeyPresses(int expectedCount) {
    QList<KeyEvent> events;
    for (const QList<QByteArray>& f : rawLines("keypress", expectedCount))
        events.append(
            {f.value(0).toInt(), f.value(1).toUInt(nullptr, 16), f.value(2).toUInt(nullptr, 16)});
    return events;
}

void TestX11Input::typesText_data() {
    QTest::addColumn<QString>("text");
    QString printable;
    for (char16_t c = 0x20; c < 0x7f; ++c) printable.append(QChar(c));
    QTest::newRow("every printable ASCII character") << printable;
    QTest::newRow("shifted punctuation") << QStringLiteral("!@#$%^&*()_+{}|:\"<>?~");
    QTest::newRow("Chinese") << QStringLiteral("自动化输入测试，你好世界。");
    QTest::newRow("Chinese with repeats") << QStringLiteral("中中文文中文");
    // More distinct characters than there are spare keycodes, so keycodes are
    // bound anew while the client may still be reading earlier mappings.
    const QString many = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下"
        "过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量"
        "都");
    QString shuffled;
    for (int step : {1, 37, 53, 71, 89})
        for (int i = 0; i < many.size(); ++i) shuffled.append(many.at((i * step) % many.size()));
    QTest::newRow("more characters than spare keycodes") << shuffled;
    QTest::newRow("outside the BMP") << QStringLiteral("a😀b𠀀c🎉");
    QTest::newRow("Latin-1 and beyond") << QStringLiteral("café ßü € ñ Ω");
    QTest::newRow("mixed, in order") << QStringLiteral("Order: 1中2文3😀4!");
}

void TestX11Input::typesText() {
    QFETCH(QString, text);
    focusReceiver();
    typeText(text);
    QString got;
    QVERIFY2(waitForText(text, &got), qPrintable(QStringLiteral("got \"%1\"").arg(got)));
}

void TestX11Input::typesExactlyWithCapsLockOn() {
    focusReceiver();
    tapKey(QStringLiteral("CAPSLOCK"));
    desktop.sync();
    QVERIFY(desktop.modifierState() & TestDesktop::kLock);
    const QString text = QStringLiteral("aB1!xY中");
    typeText(text);
    tapKey(QStringLiteral("CAPSLOCK"));
    QString got;
    const bool arrived = waitForText(text, &got);
    QVERIFY(!(desktop.modifierState() & TestDesktop::kLock));
    QVERIFY2(arrived, qPrintable(QStringLiteral("got \"%1\"").arg(got)));
}

void TestX11Input::typesExactlyWhileShiftIsHeld() {
    focusReceiver();
    KeyboardOperation press;
    press.setEventType(0);
    press.setModifiers(Qt::ShiftModifier);
    press.execute();
    QVERIFY(desktop.isKeyDown(kShiftL));
    typeText(QStringLiteral("a1;B"));
    // The Shift key the flow holds is still held afterwards.
    QVERIFY(desktop.isKeyDown(kShiftL));
    KeyboardOperation release;
    release.setEventType(1);
    release.setModifiers(Qt::ShiftModifier);
    release.execute();
    QVERIFY(!desktop.isKeyDown(kShiftL));
    QString got;
    QVERIFY2(waitForText(QStringLiteral("a1;B"), &got), qPrintable(got));
}

void TestX11Input::ctrlATapReachesClients() {
    // In the text field, Ctrl+A selects everything, so the next character replaces it.
    focusReceiver();
    typeText(QStringLiteral("hello"));
    tapKey(QStringLiteral("a"), Qt::ControlModifier);
    typeText(QStringLiteral("x"));
    QString got;
    QVERIFY2(waitForText(QStringLiteral("x"), &got), qPrintable(got));

    // The plain client sees the Ctrl press, then 'a' with the Control state bit.
    focusRaw();
    tapKey(QStringLiteral("A"), Qt::ControlModifier);
    const QList<KeyEvent> presses = rawKeyPresses(2);
    QCOMPARE(presses.size(), 2);
    QCOMPARE(presses[0].keysym, kControlL);
    QCOMPARE(presses[1].keysym, quint32('a'));
    QVERIFY(presses[1].state & TestDesktop::kControl);
    QVERIFY(!desktop.isKeyDown(kControlL));
}

void TestX11Input::virtualKeysPressTheirKey_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<quint32>("keysym");
    const struct {
        const char* key;
        quint32 keysym;
    } rows[] = {{"F8", 0xffc5},
                {"F12", 0xffc9},
                {"ENTER", 0xff0d},
                {"TAB", 0xff09},
                {"ESC", 0xff1b},
                {"SPACE", 0x20},
                {"BACKSPACE", 0xff08},
                {"Z", 'z'},
                {"7", '7'},
                {"HOME", 0xff50},
                {"PGDN", 0xff56},
                {"LEFT", 0xff51},
                {"DEL", 0xffff},
                {"INS", 0xff63},
                {";", ';'},
                {"/", '/'},
                {"`", '`'},
                {"[", '['},
                {"'", '\''},
                {"NUMPADSTAR", 0xffaa},
                {"NUMPADMINUS", 0xffad},
                {"SHIFT", 0xffe1},
                {"RCTRL", 0xffe4},
                {"WIN", 0xffeb},
                {"VOLUMEUP", 0x1008ff13},
                {"MEDIAPLAY", 0x1008ff14}};
    for (const auto& r : rows) QTest::newRow(r.key) << QString::fromLatin1(r.key) << r.keysym;
}

void TestX11Input::virtualKeysPressTheirKey() {
    QFETCH(QString, key);
    QFETCH(quint32, keysym);
    focusRaw();
    tapKey(key);
    const QList<KeyEvent> presses = rawKeyPresses(1);
    QCOMPARE(presses.size(), 1);
    QCOMPARE(QString::number(presses[0].keysym, 16), QString::number(keysym, 16));
    QCOMPARE(rawLines("keyrelease", 1).size(), 1);
}

void TestX11Input::unknownKeySendsNothing() {
    focusRaw();
    tapKey(QStringLiteral("NO SUCH KEY"));
    tapKey(QStringLiteral("Q"));  // a marker: the first thing the client sees
    const QList<KeyEvent> presses = rawKeyPresses(1);
    QCOMPARE(presses.size(), 1);
    QCOMPARE(presses[0].keysym, quint32('q'));
}

void TestX11Input::clicksAtThePointMovedTo_data() {
    QTest::addColumn<int>("clickButton");
    QTest::addColumn<int>("clickType");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("xButton");
    QTest::addColumn<int>("presses");
    QTest::newRow("single left") << 0 << 0 << QPoint(710, 310) << 1 << 1;
    QTest::newRow("single right") << 1 << 0 << QPoint(1099, 599) << 3 << 1;
    QTest::newRow("single middle") << 2 << 0 << QPoint(901, 455) << 2 << 1;
    QTest::newRow("double left") << 0 << 1 << QPoint(777, 333) << 1 << 2;
    QTest::newRow("double right") << 1 << 1 << QPoint(1000, 500) << 3 << 2;
    QTest::newRow("unknown button clicks nothing") << 3 << 0 << QPoint(800, 400) << 0 << 0;
}

void TestX11Input::clicksAtThePointMovedTo() {
    QFETCH(int, clickButton);
    QFETCH(int, clickType);
    QFETCH(QPoint, point);
    QFETCH(int, xButton);
    QFETCH(int, presses);
    raw.takeLines();
    rawBacklog.clear();
    MouseMoveOperation move;
    move.setPosition(point);
    move.execute();
    MouseClickOperation click;
    click.setPosition(point);
    click.setClickButton(clickButton);
    click.setClickType(clickType);
    click.execute();

    if (presses == 0) {
        raw.settle(300);
        for (const QByteArray& line : raw.takeLines()) QVERIFY2(!line.startsWith("button"), line);
        return;
    }
    const QList<QList<QByteArray>> down = rawLines("buttonpress", presses);
    const QList<QList<QByteArray>> up = rawLines("buttonrelease", presses);
    QCOMPARE(down.size(), presses);
    QCOMPARE(up.size(), presses);
    for (const QList<QByteArray>& f : down) {
        QCOMPARE(f.value(0).toInt(), xButton);
        QCOMPARE(QPoint(f.value(1).toInt(), f.value(2).toInt()), point);
    }
    raw.settle(100);
    QCOMPARE(rawLines("buttonpress", presses + 1).size(), presses);  // and no more
}

void TestX11Input::doubleClickReachesQtWindow() {
    focusReceiver();
    const QPoint point = receiverField.center();
    MouseMoveOperation move;
    move.setPosition(point);
    move.execute();
    MouseClickOperation click;
    click.setClickType(1);
    click.execute();
    const QByteArray line = receiver.waitForLine("double ");
    QCOMPARE(line, QByteArray("double 1 %1 %2")
                       .replace("%1", QByteArray::number(point.x()))
                       .replace("%2", QByteArray::number(point.y())));
}

void TestX11Input::movesLandOnExactPixels() {
    const QSize screen = desktop.screenSize();
    QCOMPARE(Platform::input().screenSize(), screen);
    MouseMoveOperation move;
    int wrong = 0;
    QString firstWrong;
    const auto check = [&](const QPoint& p) {
        move.setPosition(p);
        move.execute();
        const QPoint landed = desktop.pointer();
        if (landed != p && wrong++ == 0)
            firstWrong = QStringLiteral("(%1,%2) landed on (%3,%4)")
                             .arg(p.x())
                             .arg(p.y())
                             .arg(landed.x())
                             .arg(landed.y());
    };
    // Every column along one row, every row along one column.
    for (int x = 0; x < screen.width(); ++x) check(QPoint(x, (x * 7) % screen.height()));
    for (int y = 0; y < screen.height(); ++y) check(QPoint((y * 13) % screen.width(), y));
    QVERIFY2(wrong == 0,
             qPrintable(QStringLiteral("%1 wrong; first: %2").arg(wrong).arg(firstWrong)));
}

void TestX11Input::movesOutsideTheScreenAreClamped_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("expected");
    const QSize s = TestDesktop().screenSize();
    QTest::newRow("left of the screen") << QPoint(-40, 100) << QPoint(0, 100);
    QTest::newRow("above the screen") << QPoint(200, -1) << QPoint(200, 0);
    QTest::newRow("right of the screen")
        << QPoint(s.width() + 300, 10) << QPoint(s.width() - 1, 10);
    QTest::newRow("below the screen") << QPoint(5, s.height()) << QPoint(5, s.height() - 1);
    QTest::newRow("far corner") << QPoint(s.width() - 1, s.height() - 1)
                                << QPoint(s.width() - 1, s.height() - 1);
}

void TestX11Input::movesOutsideTheScreenAreClamped() {
    QFETCH(QPoint, point);
    QFETCH(QPoint, expected);
    MouseMoveOperation move;
    move.setPosition(point);
    move.execute();
    QCOMPARE(desktop.pointer(), expected);
}

void TestX11Input::borrowedKeycodesAreRestored() {
    auto* backend = dynamic_cast<X11InputBackend*>(&Platform::input());
    QVERIFY(backend);
    QVERIFY(backend->spareKeycodeCount() > 0);
    focusReceiver();
    const quint32 keysym = 0x1000000 | 0x9F8D;  // 龍, on no keyboard layout here
    typeText(QStringLiteral("龍"));
    QString got;
    QVERIFY2(waitForText(QStringLiteral("龍"), &got), qPrintable(got));
    // The keycode borrowed for it goes back to having no symbol after a pause.
    QTRY_VERIFY_WITH_TIMEOUT(desktop.keycodesMapping(keysym).isEmpty(), 3000);
}

void TestX11Input::releaseHeldLiftsKeysAndButtons() {
    focusRaw();
    KeyboardOperation press;
    press.setEventType(0);
    press.setModifiers(Qt::ShiftModifier | Qt::ControlModifier);
    press.setKey(QStringLiteral("K"));
    press.execute();
    Platform::input().send({InputRecord::mouse(InputRecord::LeftDown)});
    desktop.sync();
    QVERIFY(desktop.isKeyDown(kShiftL));
    QVERIFY(desktop.isKeyDown(kControlL));
    QVERIFY(Platform::input().hasHeldInput());
    Platform::input().releaseHeld();
    QVERIFY(!desktop.isKeyDown(kShiftL));
    QVERIFY(!desktop.isKeyDown(kControlL));
    QVERIFY(!desktop.isKeyDown('k'));
    QVERIFY(!(desktop.modifierState() & (1u << 8)));  // Button1Mask
    QVERIFY(!Platform::input().hasHeldInput());
}

QTEST_GUILESS_MAIN(TestX11Input)
#include "tst_x11input.moc"
