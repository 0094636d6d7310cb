// Replays operations through the X11 backend into a real X client (a Qt window with a
// text field) and checks what it received and where the pointer went; and the global
// button watch, whose presses still reach the window under them.
#include <QtTest>

#include "model/TextInputOperation.h"
#include "platform/ButtonWatch.h"
#include "platform/Platform.h"
#include "platform/x11/X11ButtonWatch.h"
#include "platform/x11/X11InputBackend.h"
#include "support/ClientProcess.h"
#include "support/OperationValues.h"
#include "support/TestDesktop.h"

namespace {
// Any text, brackets too, which an operation written as text cannot hold.
void typeText(const QString& text) {
    TextInputOperation op;
    op.setText(text);
    op.execute();
}
void run(const QString& operation) {
    OperationValues::make(operation)->execute();
}
}  // namespace

class TestX11Input : public QObject {
    Q_OBJECT
    TestDesktop m_desktop;
    ClientProcess m_receiver;
    QRect m_field;
    unsigned long m_window = 0;

    QStringList m_watched;  // "BUTTON X Y" of each press the button watch reported

    // The hexadecimal keysym of the next key press the client reports.
    QByteArray nextKey() { return m_receiver.waitForLine("key ", 3000).split(' ').value(1); }
    // Clicks X button `button` at `at`; the presses the watch reported meanwhile.
    QString watchedClick(int button, const QPoint& at) {
        m_watched.clear();
        m_desktop.moveTo(at);
        m_desktop.button(button, true);
        m_desktop.button(button, false);
        (void)QTest::qWaitFor([&] { return !m_watched.isEmpty(); }, 1500);
        QTest::qWait(100);
        return m_watched.join(',');
    }

private slots:
    void initTestCase() {
        QVERIFY2(m_desktop.isOpen(), "the desktop tests need an X display (run under xvfb-run)");
        QVERIFY2(Platform::input().isAvailable(),
                 qPrintable(Platform::input().unavailableReason()));
        QVERIFY(dynamic_cast<X11InputBackend*>(&Platform::input()));
        QVERIFY(dynamic_cast<X11ButtonWatch*>(&Platform::buttonWatch()));
        connect(&Platform::buttonWatch(), &ButtonWatch::buttonPressed, this,
                [this](Qt::MouseButton b, const QPoint& p) {
                    m_watched << QStringLiteral("%1 %2 %3").arg(b).arg(p.x()).arg(p.y());
                });
        QVERIFY2(m_receiver.start(FLOWSMITH_TEXT_RECEIVER, {"--area", "40,40,600,60"}),
                 qPrintable(m_receiver.errorText()));
        const QList<QByteArray> f = m_receiver.readyFields();
        m_field =
            QRect(f.value(0).toInt(), f.value(1).toInt(), f.value(2).toInt(), f.value(3).toInt());
        m_window = f.value(4).toULong();
        QVERIFY(m_window != 0 && m_field.height() > 10);
    }
    void init() {
        m_desktop.setFocus(m_window);
        m_receiver.send("clear");
        QVERIFY(!m_receiver.waitForLine("cleared").isEmpty());  // and skips earlier lines
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
        QString many;
        for (int step : {1, 37, 53, 71, 89})
            for (int i = 0; i < 97; ++i) many.append(QChar(0x4e00 + i * step % 97));
        QTest::newRow("more characters than spare keycodes") << many;
        QTest::newRow("Latin-1 and beyond") << QStringLiteral("café ßü € ñ Ω");
        QTest::newRow("outside the BMP, in order") << QStringLiteral("a😀b𠀀c🎉 1中2文3😀4!");
    }
    void typesText() {
        QFETCH(QString, text);
        typeText(text);
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), text, 5000);
    }

    void typesExactlyWhileAModifierIsOn_data() {
        QTest::addColumn<QString>("key");  // empty: Shift held by another program
        QTest::addColumn<int>("onType");
        QTest::addColumn<int>("offType");
        QTest::addColumn<uint>("mask");
        QTest::newRow("Caps Lock on") << "CAPSLOCK" << 2 << 2 << TestDesktop::kLock;
        QTest::newRow("Shift held") << "SHIFT" << 0 << 1 << TestDesktop::kShift;
        QTest::newRow("Shift held by another program") << "" << 0 << 0 << TestDesktop::kShift;
    }
    void typesExactlyWhileAModifierIsOn() {
        QFETCH(QString, key);
        QFETCH(int, onType);
        QFETCH(int, offType);
        QFETCH(uint, mask);
        const bool ours = !key.isEmpty();
        constexpr quint32 kShiftL = 0xffe1;
        const QString op = QStringLiteral("key_input eventType=%1 key=[") + key + ']';
        ours ? run(op.arg(onType)) : m_desktop.key(kShiftL, true);
        const bool on = m_desktop.modifierState() & mask;
        const QString text = QStringLiteral("aB1!xY;中");
        typeText(text);
        // The flow's own state is kept; another program's Shift is lifted for the
        // unshifted characters and never pressed again by us.
        const bool stillOn = m_desktop.modifierState() & mask;
        ours ? run(op.arg(offType)) : m_desktop.key(kShiftL, false);
        QVERIFY(on);
        QCOMPARE(stillOn, ours);
        QVERIFY(!(m_desktop.modifierState() & mask));
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), text, 5000);
    }

    void keysPressTheirKey_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("keysyms");  // the presses the client sees, in hexadecimal
        // KEY=KEYSYMS; keypad digits mean the digit, also with Num Lock off.
        const QString rows =
            "F12=ffc9, ENTER=ff0d, TAB=ff09, ESC=ff1b, SPACE=20, BACKSPACE=ff08, PGDN=ff56, "
            "DEL=ffff, Z=7a, 7=37, ;=3b, '=27, RCTRL=ffe4, NUMPADSTAR=ffaa, WIN=ffeb, "
            "VOLUMEUP=1008ff13, CTRL+A=ffe3 61, NO SUCH KEY=, NUM0=ffb0, NUMPADDOT=ffae";
        for (const QString& row : rows.split(", "))
            QTest::newRow(qPrintable(row)) << row.section('=', 0, 0) << row.section('=', 1);
    }

    void keysPressTheirKey() {
        QFETCH(QString, key);
        QFETCH(QString, keysyms);
        const bool ctrl = key.startsWith("CTRL+");
        run(QStringLiteral("key_input eventType=2 key=[%1] modifiers=%2")
                .arg(key.mid(ctrl ? 5 : 0))
                .arg(ctrl ? int(Qt::ControlModifier) : 0));
        run("key_input eventType=2 key=[Q]");  // a marker: nothing but the key may come before it
        for (const QString& keysym : keysyms.split(' ', Qt::SkipEmptyParts)) {
            QCOMPARE(nextKey(), keysym.toLatin1());
            QVERIFY(!m_desktop.isKeyDown(keysym.toUInt(nullptr, 16)));
        }
        QCOMPARE(nextKey(), QByteArray("71"));
    }

    // Button and click type -> what the field got, at the point moved to.
    void clicksAtThePointMovedTo_data() {
        QTest::addColumn<QString>("click");
        QTest::addColumn<QPoint>("offset");  // from the field's top left
        QTest::newRow("left") << "0 0 -> press 1 @" << QPoint(3, 2);
        QTest::newRow("right") << "1 0 -> press 2 @" << QPoint(590, 20);
        QTest::newRow("middle") << "2 0 -> press 4 @" << QPoint(301, 11);
        QTest::newRow("double left") << "0 1 -> press 1 @, double 1 @" << QPoint(150, 15);
        QTest::newRow("unknown button clicks nothing") << "3 0 -> " << QPoint(200, 10);
    }
    void clicksAtThePointMovedTo() {
        QFETCH(QString, click);
        QFETCH(QPoint, offset);
        const QPoint p = m_field.topLeft() + offset;
        run(QStringLiteral("mouse_move position=(%1,%2)").arg(p.x()).arg(p.y()));
        run(QStringLiteral("mouse_click clickButton=%1 clickType=%2")
                .arg(click.section(' ', 0, 0), click.section(' ', 1, 1)));
        m_receiver.settle(300);
        QStringList got;
        for (const QByteArray& line : m_receiver.takeLines())
            if (line.startsWith("press") || line.startsWith("double")) got << line;
        QCOMPARE(got.join(", "), click.section(" -> ", 1).replace(
                                     '@', QStringLiteral("%1 %2").arg(p.x()).arg(p.y())));
    }

    void borrowedKeycodesAreRestored() {
        auto* backend = dynamic_cast<X11InputBackend*>(&Platform::input());
        QVERIFY(backend && backend->spareKeycodeCount() > 0);
        typeText(QStringLiteral("龍"));  // on no keyboard layout here
        QTRY_COMPARE_WITH_TIMEOUT(m_receiver.fieldText(), QStringLiteral("龍"), 5000);
        // The keycode borrowed for it goes back to having no symbol after a pause.
        QTRY_VERIFY_WITH_TIMEOUT(!m_desktop.keymap().contains(0x1000000 | 0x9F8D), 3000);
    }

    // Left and right presses anywhere while installed, with the pointer position.
    void buttonWatchReportsPressesWhileInstalled() {
        ButtonWatch& watch = Platform::buttonWatch();
        const QPoint p = m_field.topLeft() + QPoint(21, 34), outside(600, 500);
        QStringList got{watchedClick(1, outside)};
        QString error;
        QVERIFY2(watch.install(&error), qPrintable(error));
        // A second install is refused and leaves the first one in place.
        QVERIFY(!watch.install(&error) && !error.isEmpty() && watch.isInstalled());
        for (int button : {1, 3, 2, 4}) got << watchedClick(button, p);  // middle and wheel: none
        const QString at = QStringLiteral(" %1 %2").arg(p.x()).arg(p.y());
        // Watching takes nothing from the window under the pointer.
        QVERIFY(!m_receiver.waitForLine("press 1" + at.toLatin1()).isEmpty());
        watch.remove();
        got << watchedClick(1, outside);
        QVERIFY(!watch.isInstalled() && watch.install(nullptr));  // and again afterwards
        got << watchedClick(3, outside);
        watch.remove();
        QCOMPARE(got, QStringList({"", "1" + at, "2" + at, "", "", "", "2 600 500"}));
    }
};

QTEST_GUILESS_MAIN(TestX11Input)
#include "tst_x11input.moc"
