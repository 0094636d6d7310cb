// Replays operations through the X11 backend into a real X client (a Qt window
// with a text field) and checks what it received and where the pointer went.
#include <QtTest>

#include "ClientProcess.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "Platform.h"
#include "TestDesktop.h"
#include "TextInputOperation.h"
#include "X11InputBackend.h"

namespace {
constexpr quint32 kShiftL = 0xffe1, kControlL = 0xffe3;

void typeText(const QString& text) {
    TextInputOperation op;
    op.setText(text);
    op.execute();
}

// Event type 0 presses, 1 releases, 2 taps.
void keyOp(int eventType, const QString& key, int modifiers = 0) {
    KeyboardOperation op;
    op.setEventType(eventType);
    op.setKey(key);
    op.setModifiers(Qt::KeyboardModifiers(modifiers));
    op.execute();
}

void moveTo(const QPoint& point) {
    MouseMoveOperation move;
    move.setPosition(point);
    move.execute();
}
}  // namespace

class TestX11Input : public QObject {
    Q_OBJECT
    TestDesktop desktop;
    ClientProcess receiver;
    QRect field;
    unsigned long window = 0;

    bool waitForText(const QString& expected) {
        QDeadlineTimer deadline(5000);
        QString last;
        do {
            receiver.send("text");
            last = QString::fromUtf8(QByteArray::fromHex(receiver.waitForLine("text ").mid(5)));
            if (last == expected) return true;
            QThread::msleep(30);
        } while (!deadline.hasExpired());
        qWarning() << "the field holds" << last;
        return false;
    }
    // The hexadecimal keysym of the next key press the client reports.
    QByteArray nextKey(unsigned* state = nullptr) {
        const QList<QByteArray> f = receiver.waitForLine("key ", 3000).split(' ');
        if (state) *state = f.value(2).toUInt(nullptr, 16);
        return f.value(1);
    }

private slots:
    void initTestCase() {
        QVERIFY2(desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY2(Platform::input().isAvailable(),
                 qPrintable(Platform::input().unavailableReason()));
        QVERIFY(dynamic_cast<X11InputBackend*>(&Platform::input()));
        QVERIFY2(receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "40,40,600,60"}),
                 qPrintable(receiver.errorText()));
        const QList<QByteArray> f = receiver.readyFields();
        field =
            QRect(f.value(0).toInt(), f.value(1).toInt(), f.value(2).toInt(), f.value(3).toInt());
        window = f.value(4).toULong();
        QVERIFY(window != 0 && field.height() > 10);
    }
    void init() {
        desktop.setFocus(window);
        receiver.send("clear");
        QVERIFY(!receiver.waitForLine("cleared").isEmpty());
        receiver.takeLines();
    }

    void typesText_data() {
        QTest::addColumn<QString>("text");
        QString printable;
        for (char16_t c = 0x20; c < 0x7f; ++c) printable.append(QChar(c));
        QTest::newRow("every printable ASCII character") << printable;
        QTest::newRow("Chinese, with repeats")
            << QStringLiteral("自动化输入测试，你好世界。中中文文中文");
        // More distinct characters than there are spare keycodes, so keycodes are
        // bound anew while the client may still be reading earlier mappings.
        const QString many = QStringLiteral(
            "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也"
            "能"
            "下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实"
            "加"
            "量都");
        QString shuffled;
        for (int step : {1, 37, 53, 71, 89})
            for (int i = 0; i < many.size(); ++i)
                shuffled.append(many.at((i * step) % many.size()));
        QTest::newRow("more characters than spare keycodes") << shuffled;
        QTest::newRow("Latin-1 and beyond") << QStringLiteral("café ßü € ñ Ω");
        QTest::newRow("outside the BMP, in order") << QStringLiteral("a😀b𠀀c🎉 1中2文3😀4!");
    }
    void typesText() {
        QFETCH(QString, text);
        typeText(text);
        QVERIFY(waitForText(text));
    }

    void typesExactlyWhileAModifierIsOn_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("onType");
        QTest::addColumn<int>("offType");
        QTest::addColumn<uint>("mask");
        QTest::newRow("Caps Lock on") << "CAPSLOCK" << 2 << 2 << TestDesktop::kLock;
        QTest::newRow("Shift held") << "SHIFT" << 0 << 1 << TestDesktop::kShift;
    }
    void typesExactlyWhileAModifierIsOn() {
        QFETCH(QString, key);
        QFETCH(int, onType);
        QFETCH(int, offType);
        QFETCH(uint, mask);
        keyOp(onType, key);
        const bool on = desktop.modifierState() & mask;
        const QString text = QStringLiteral("aB1!xY;中");
        typeText(text);
        const bool stillOn = desktop.modifierState() & mask;  // the flow's own state is kept
        keyOp(offType, key);
        QVERIFY(on && stillOn);
        QVERIFY(!(desktop.modifierState() & mask));
        QVERIFY(waitForText(text));
    }

    void ctrlAReachesTheClient() {
        // In the text field Ctrl+A selects everything, so the next character replaces it.
        typeText(QStringLiteral("hello"));
        keyOp(2, QStringLiteral("a"), Qt::ControlModifier);
        typeText(QStringLiteral("x"));
        // X delivered the Ctrl press, then 'a' carrying the Control bit.
        QVERIFY(!receiver.waitForLine("key ffe3 ").isEmpty());
        unsigned state = 0;
        QCOMPARE(nextKey(&state), QByteArray("61"));
        QVERIFY(state & TestDesktop::kControl);
        QVERIFY(!desktop.isKeyDown(kControlL));
        QVERIFY(waitForText(QStringLiteral("x")));
    }

    void keysPressTheirKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<quint32>("keysym");
        const QPair<const char*, quint32> rows[] = {{"F12", 0xffc9},   {"ENTER", 0xff0d},
                                                    {"TAB", 0xff09},   {"ESC", 0xff1b},
                                                    {"SPACE", 0x20},   {"BACKSPACE", 0xff08},
                                                    {"PGDN", 0xff56},  {"DEL", 0xffff},
                                                    {"Z", 'z'},        {"7", '7'},
                                                    {";", ';'},        {"'", '\''},
                                                    {"RCTRL", 0xffe4}, {"NUMPADSTAR", 0xffaa},
                                                    {"WIN", 0xffeb},   {"VOLUMEUP", 0x1008ff13},
                                                    {"NO SUCH KEY", 0}};
        for (const auto& [key, keysym] : rows) QTest::newRow(key) << QString(key) << keysym;
    }
    void keysPressTheirKey() {
        QFETCH(QString, key);
        QFETCH(quint32, keysym);
        keyOp(2, key);
        keyOp(2, QStringLiteral("Q"));  // a marker: nothing but the key may come before it
        if (keysym) QCOMPARE(nextKey(), QByteArray::number(keysym, 16));
        QCOMPARE(nextKey(), QByteArray("71"));
        QVERIFY(!desktop.isKeyDown(keysym));
    }

    void clicksAtThePointMovedTo_data() {
        QTest::addColumn<int>("clickButton");
        QTest::addColumn<int>("clickType");
        QTest::addColumn<QPoint>("offset");  // from the field's top left
        QTest::addColumn<QStringList>("reported");
        QTest::newRow("left") << 0 << 0 << QPoint(3, 2) << QStringList{"press 1"};
        QTest::newRow("right") << 1 << 0 << QPoint(590, 20) << QStringList{"press 2"};
        QTest::newRow("middle") << 2 << 0 << QPoint(301, 11) << QStringList{"press 4"};
        QTest::newRow("double left")
            << 0 << 1 << QPoint(150, 15) << QStringList{"press 1", "double 1"};
        QTest::newRow("double right")
            << 1 << 1 << QPoint(450, 9) << QStringList{"press 2", "double 2"};
        QTest::newRow("unknown button clicks nothing")
            << 3 << 0 << QPoint(200, 10) << QStringList{};
    }
    void clicksAtThePointMovedTo() {
        QFETCH(int, clickButton);
        QFETCH(int, clickType);
        QFETCH(QPoint, offset);
        QFETCH(QStringList, reported);
        const QPoint point = field.topLeft() + offset;
        QVERIFY(field.contains(point));
        moveTo(point);
        MouseClickOperation click;
        click.setClickButton(clickButton);
        click.setClickType(clickType);
        click.execute();
        receiver.settle(300);
        QStringList got, expected;
        for (const QByteArray& line : receiver.takeLines())
            if (line.startsWith("press") || line.startsWith("double")) got << line;
        for (const QString& r : reported)
            expected << r + QStringLiteral(" %1 %2").arg(point.x()).arg(point.y());
        QCOMPARE(got, expected);
    }

    void movesLandOnExactPixels() {
        const QSize s = desktop.screenSize();
        QCOMPARE(Platform::input().screenSize(), s);
        // Every column along one row, every row along one column, then points off the
        // screen, which land on its nearest edge.
        QList<QPair<QPoint, QPoint>> moves;
        for (int x = 0; x < s.width(); ++x) moves.append({{x, (x * 7) % s.height()}, {}});
        for (int y = 0; y < s.height(); ++y) moves.append({{(y * 13) % s.width(), y}, {}});
        for (auto& m : moves) m.second = m.first;
        moves.append({{{-40, 100}, {0, 100}},
                      {{200, -1}, {200, 0}},
                      {{s.width() + 300, 10}, {s.width() - 1, 10}},
                      {{5, s.height()}, {5, s.height() - 1}}});
        int wrong = 0;
        QString first;
        for (const auto& [point, expected] : moves) {
            moveTo(point);
            const QPoint landed = desktop.pointer();
            if (landed != expected && wrong++ == 0)
                QDebug(&first) << point << "landed on" << landed;
        }
        QVERIFY2(wrong == 0,
                 qPrintable(QStringLiteral("%1 wrong; first: %2").arg(wrong).arg(first)));
    }

    void borrowedKeycodesAreRestored() {
        auto* backend = dynamic_cast<X11InputBackend*>(&Platform::input());
        QVERIFY(backend && backend->spareKeycodeCount() > 0);
        typeText(QStringLiteral("龍"));  // on no keyboard layout here
        QVERIFY(waitForText(QStringLiteral("龍")));
        // The keycode borrowed for it goes back to having no symbol after a pause.
        QTRY_VERIFY_WITH_TIMEOUT(!desktop.isMapped(0x1000000 | 0x9F8D), 3000);
    }

    void releaseHeldLiftsKeysAndButtons() {
        keyOp(0, QStringLiteral("K"), Qt::ShiftModifier | Qt::ControlModifier);
        Platform::input().send({InputRecord::mouse(InputRecord::LeftDown)});
        const quint32 keys[] = {kShiftL, kControlL, 'k'};
        for (quint32 k : keys) QVERIFY(desktop.isKeyDown(k));
        QVERIFY(desktop.modifierState() & TestDesktop::kButton1);
        QVERIFY(Platform::input().hasHeldInput());
        Platform::input().releaseHeld();
        for (quint32 k : keys) QVERIFY(!desktop.isKeyDown(k));
        QVERIFY(!(desktop.modifierState() & TestDesktop::kButton1));
        QVERIFY(!Platform::input().hasHeldInput());
    }
};

QTEST_GUILESS_MAIN(TestX11Input)
#include "tst_x11input.moc"
