#include <QMetaClassInfo>
#include <QMetaProperty>
#include <QPointer>
#include <QtTest>
#include <memory>

#include "AppConfig.h"
#include "InputHelpers.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "OperationFactory.h"
#include "OperationValues.h"
#include "Platform.h"
#include "RecordingInputBackend.h"
#include "TextInputOperation.h"

using Props = QVariantMap;
Q_DECLARE_METATYPE(Props)

namespace {

Operation* makeOperation(const QString& type) {
    return OperationValues::create(type);
}

// Writes the values through the meta-object, as the property browser does.
void applyProps(Operation* op, const Props& props) {
    QVERIFY(OperationValues::apply(op, props));
}

QStringList snapshot(const QObject* object) {
    return OperationValues::describe(object);
}

QString describe(const InputRecord& r) {
    if (r.type == InputRecord::Keyboard) {
        if (r.isCharacter())
            return QStringLiteral("char %1 %2 f%3")
                .arg(r.scan)
                .arg(r.isKeyUp() ? "up" : "down")
                .arg(r.flags);
        return QStringLiteral("vk %1 %2 scan%3 f%4")
            .arg(r.virtualKey)
            .arg(r.isKeyUp() ? "up" : "down")
            .arg(r.scan)
            .arg(r.flags);
    }
    return QStringLiteral("mouse f0x%1 dx%2 dy%3 data%4")
        .arg(r.flags, 0, 16)
        .arg(r.dx)
        .arg(r.dy)
        .arg(r.mouseData);
}

// One string per batch, records separated by " | ".
QStringList describeBatches(const QVector<InputBatch>& batches) {
    QStringList out;
    for (const InputBatch& b : batches) {
        QStringList records;
        for (const InputRecord& r : b) records << describe(r);
        out << records.join(QStringLiteral(" | "));
    }
    return out;
}

QString key(int vk, bool up) {
    return QStringLiteral("vk %1 %2 scan0 f%3").arg(vk).arg(up ? "up" : "down").arg(up ? 2 : 0);
}
QString character(int unit, bool up) {
    return QStringLiteral("char %1 %2 f%3").arg(unit).arg(up ? "up" : "down").arg(up ? 6 : 4);
}
QString mouse(int flags, int dx = 0, int dy = 0) {
    return QStringLiteral("mouse f0x%1 dx%2 dy%3 data0").arg(flags, 0, 16).arg(dx).arg(dy);
}
QString clickBatch(int f1, int f2, int f3, int f4) {
    return QStringList{mouse(f1), mouse(f2), mouse(f3), mouse(f4)}.join(QStringLiteral(" | "));
}

const int Shift = Qt::ShiftModifier, Ctrl = Qt::ControlModifier, Alt = Qt::AltModifier,
          Meta = Qt::MetaModifier, Keypad = Qt::KeypadModifier;

}  // namespace

class TestOperations : public QObject {
    Q_OBJECT

private:
    RecordingInputBackend recorder;

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void typeTexts_data();
    void typeTexts();
    void classInfo_data();
    void classInfo();
    void propertiesAndDefaults_data();
    void propertiesAndDefaults();

    void modifierText_data();
    void modifierText();
    void modifierBatches_data();
    void modifierBatches();
    void keyboardBatches_data();
    void keyboardBatches();
    void clickBatches_data();
    void clickBatches();
    void moveBatches_data();
    void moveBatches();
    void moveReadsTheScreenSizeEachTime();
    void textBatches_data();
    void textBatches();

    void descriptions_data();
    void descriptions();

    void clone_data();
    void clone();
    void payloadRoundTrip_data();
    void payloadRoundTrip();

    void waitAndExecuteHonoursTheRunFlag();

    void factoryOrdersPrototypesByTypeName();
    void factoryCreatesClones_data();
    void factoryCreatesClones();
    void factoryRejectsUnknownNames_data();
    void factoryRejectsUnknownNames();
    void factoryReplacesAPrototype();
};

void TestOperations::initTestCase() {
    Platform::setInput(&recorder);
}

void TestOperations::init() {
    recorder.releaseHeld();  // the presses of an earlier row would still count as held
    recorder.clear();
    recorder.setScreenSize(QSize(1920, 1080));
}

void TestOperations::cleanupTestCase() {
    Platform::setInput(nullptr);
}

void TestOperations::typeTexts_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("icon");
    QTest::newRow("key") << "key_input" << QString::fromUtf8("键盘")
                         << QString::fromUtf8("输入按键")
                         << ":/optree/res/images/optree/key-input.svg";
    QTest::newRow("click") << "mouse_click" << QString::fromUtf8("鼠标")
                           << QString::fromUtf8("点击鼠标")
                           << ":/optree/res/images/optree/mouse-click.svg";
    QTest::newRow("move") << "mouse_move" << QString::fromUtf8("鼠标")
                          << QString::fromUtf8("移动鼠标")
                          << ":/optree/res/images/optree/mouse-move.svg";
    QTest::newRow("text") << "text_input" << QString::fromUtf8("键盘")
                          << QString::fromUtf8("输入文本")
                          << ":/optree/res/images/optree/text-input.svg";
}

void TestOperations::typeTexts() {
    QFETCH(QString, type);
    QFETCH(QString, category);
    QFETCH(QString, displayName);
    QFETCH(QString, icon);
    std::unique_ptr<Operation> op(makeOperation(type));
    QCOMPARE(op->typeName(), type);
    QCOMPARE(op->category(), category);
    QCOMPARE(op->displayName(), displayName);
    QCOMPARE(op->iconPath(), icon);
}

void TestOperations::classInfo_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<Props>("entries");
    const QString interval = QString::fromUtf8("执行间隔（毫秒）");
    const QString position = QString::fromUtf8("位置坐标");
    QTest::newRow("key") << "key_input"
                         << Props{{"prop_interval", interval},
                                  {"prop_eventType", QString::fromUtf8("按键动作")},
                                  {"editor_eventType", "COMBO"},
                                  {"choices_eventType",
                                   QString::fromUtf8("按下|抬起|敲击（按下+抬起）")},
                                  {"prop_key", QString::fromUtf8("按键")},
                                  {"prop_modifiers", QString::fromUtf8("修饰键")},
                                  {"editor_modifiers", "FLAG"},
                                  {"flagnames_modifiers", "Shift|Ctrl|Alt|Win"}};
    QTest::newRow("click") << "mouse_click"
                           << Props{{"prop_interval", interval},
                                    {"prop_position", position},
                                    {"prop_clickType", QString::fromUtf8("点击类型")},
                                    {"editor_clickType", "COMBO"},
                                    {"choices_clickType", QString::fromUtf8("单击|双击")},
                                    {"prop_clickButton", QString::fromUtf8("点击按键")},
                                    {"editor_clickButton", "COMBO"},
                                    {"choices_clickButton", QString::fromUtf8("左键|右键|中键")}};
    QTest::newRow("move") << "mouse_move"
                          << Props{{"prop_interval", interval}, {"prop_position", position}};
    QTest::newRow("text") << "text_input"
                          << Props{{"prop_interval", interval},
                                   {"prop_text", QString::fromUtf8("输入内容")}};
}

void TestOperations::classInfo() {
    QFETCH(QString, type);
    QFETCH(Props, entries);
    std::unique_ptr<Operation> op(makeOperation(type));
    const QMetaObject* mo = op->metaObject();
    Props actual;
    for (int i = 0; i < mo->classInfoCount(); ++i)
        actual.insert(QString::fromLatin1(mo->classInfo(i).name()),
                      QString::fromUtf8(mo->classInfo(i).value()));
    QCOMPARE(actual, entries);
}

void TestOperations::propertiesAndDefaults_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("key") << "key_input"
                         << QStringList{"interval=50", "eventType=0", "key=\"\"", "modifiers=0x0"};
    QTest::newRow("click") << "mouse_click"
                           << QStringList{"interval=50", "position=(0,0)", "clickType=0",
                                          "clickButton=0"};
    QTest::newRow("move") << "mouse_move" << QStringList{"interval=50", "position=(0,0)"};
    QTest::newRow("text") << "text_input" << QStringList{"interval=50", "text=<null>"};
}

// Property order matters: the property browser lists rows in declaration order.
void TestOperations::propertiesAndDefaults() {
    QFETCH(QString, type);
    QFETCH(QStringList, expected);
    std::unique_ptr<Operation> op(makeOperation(type));
    QCOMPARE(snapshot(op.get()), expected);
    const QMetaObject* mo = op->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        QVERIFY2(p.isReadable() && p.isWritable() && p.isDesignable() && p.isScriptable() &&
                     p.isStored(),
                 p.name());
    }
}

void TestOperations::modifierText_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << 0 << "";
    QTest::newRow("ctrl and shift in fixed order") << (Ctrl | Shift) << "Shift+Ctrl";
    QTest::newRow("all four") << (Meta | Alt | Ctrl | Shift) << "Shift+Ctrl+Alt+Win";
    QTest::newRow("win alone") << Meta << "Win";
    QTest::newRow("alt and win") << (Alt | Meta) << "Alt+Win";
    QTest::newRow("keypad is ignored") << Keypad << "";
    QTest::newRow("keypad with ctrl") << (Keypad | Ctrl) << "Ctrl";
    QTest::newRow("group switch is ignored") << int(Qt::GroupSwitchModifier) << "";
}

void TestOperations::modifierText() {
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QCOMPARE(modifiersToText(Qt::KeyboardModifiers(modifiers)), text);
}

void TestOperations::modifierBatches_data() {
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("batches");
    QTest::newRow("ctrl and alt") << (Ctrl | Alt)
                                  << QStringList{key(17, false), key(18, false), key(17, true),
                                                 key(18, true)};
    QTest::newRow("all four, same order both ways")
        << (Meta | Alt | Ctrl | Shift)
        << QStringList{key(16, false), key(17, false), key(18, false), key(91, false),
                       key(16, true),  key(17, true),  key(18, true),  key(91, true)};
    QTest::newRow("keypad only") << Keypad << QStringList{};
    QTest::newRow("none") << 0 << QStringList{};
}

void TestOperations::modifierBatches() {
    QFETCH(int, modifiers);
    QFETCH(QStringList, batches);
    pressModifiers(Qt::KeyboardModifiers(modifiers));
    releaseModifiers(Qt::KeyboardModifiers(modifiers));
    QCOMPARE(describeBatches(recorder.batches()), batches);
}

void TestOperations::keyboardBatches_data() {
    QTest::addColumn<int>("eventType");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QStringList>("batches");
    QTest::newRow("press shift+alt tab")
        << 0 << "tab" << (Shift | Alt)
        << QStringList{key(16, false), key(18, false), key(9, false)};
    QTest::newRow("release shift+alt tab")
        << 1 << "tab" << (Shift | Alt) << QStringList{key(9, true), key(16, true), key(18, true)};
    QTest::newRow("tap ctrl with empty key")
        << 2 << "" << Ctrl << QStringList{key(17, false), key(17, true)};
    QTest::newRow("tap ctrl+A") << 2 << "A" << Ctrl
                                << QStringList{key(17, false), key(65, false), key(65, true),
                                               key(17, true)};
    QTest::newRow("press F5") << 0 << "F5" << 0 << QStringList{key(116, false)};
    QTest::newRow("release F5") << 1 << "F5" << 0 << QStringList{key(116, true)};
    QTest::newRow("tap all modifiers")
        << 2 << "z" << (Meta | Alt | Ctrl | Shift)
        << QStringList{key(16, false), key(17, false), key(18, false), key(91, false),
                       key(90, false), key(90, true),  key(16, true),  key(17, true),
                       key(18, true),  key(91, true)};
    QTest::newRow("press with nothing") << 0 << "" << 0 << QStringList{};
    QTest::newRow("blank key still sent as 0")
        << 2 << "  " << 0 << QStringList{key(0, false), key(0, true)};
    QTest::newRow("unknown key sent as 0")
        << 0 << "PrintScreen" << Shift << QStringList{key(16, false), key(0, false)};
    QTest::newRow("keypad bit ignored")
        << 2 << "num5" << Keypad << QStringList{key(101, false), key(101, true)};
    QTest::newRow("event type 3 sends nothing") << 3 << "A" << Ctrl << QStringList{};
    QTest::newRow("event type -1 sends nothing") << -1 << "A" << Ctrl << QStringList{};
}

void TestOperations::keyboardBatches() {
    QFETCH(int, eventType);
    QFETCH(QString, key);
    QFETCH(int, modifiers);
    QFETCH(QStringList, batches);
    KeyboardOperation op;
    op.setEventType(eventType);
    op.setKey(key);
    op.setModifiers(Qt::KeyboardModifiers(modifiers));
    op.execute();
    // Every record goes in a batch of its own.
    QCOMPARE(describeBatches(recorder.batches()), batches);
    // A press leaves its keys down for a later release; a tap or release does not.
    QCOMPARE(recorder.hasHeldInput(), eventType == 0 && !batches.isEmpty());
}

void TestOperations::clickBatches_data() {
    QTest::addColumn<int>("clickType");
    QTest::addColumn<int>("clickButton");
    QTest::addColumn<QString>("batch");
    const int down[] = {0x0002, 0x0008, 0x0020};
    const int up[] = {0x0004, 0x0010, 0x0040};
    const char* names[] = {"left", "right", "middle"};
    for (int b = 0; b < 3; ++b) {
        QTest::addRow("single %s", names[b]) << 0 << b << clickBatch(down[b], up[b], 0, 0);
        QTest::addRow("double %s", names[b])
            << 1 << b << clickBatch(down[b], up[b], down[b], up[b]);
        QTest::addRow("type 2 %s", names[b]) << 2 << b << clickBatch(0, 0, 0, 0);
        QTest::addRow("type -1 %s", names[b]) << -1 << b << clickBatch(0, 0, 0, 0);
    }
    for (int t = 0; t < 2; ++t) {
        QTest::addRow("button 3 type %d", t) << t << 3 << clickBatch(0, 0, 0, 0);
        QTest::addRow("button -1 type %d", t) << t << -1 << clickBatch(0, 0, 0, 0);
    }
}

void TestOperations::clickBatches() {
    QFETCH(int, clickType);
    QFETCH(int, clickButton);
    QFETCH(QString, batch);
    MouseClickOperation op;
    op.setPosition(QPoint(300, 400));  // a click never moves the pointer
    op.setClickType(clickType);
    op.setClickButton(clickButton);
    op.execute();
    QCOMPARE(describeBatches(recorder.batches()), QStringList{batch});
}

void TestOperations::moveBatches_data() {
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QStringList>("batches");
    const QSize fullHd(1920, 1080);
    QTest::newRow("centre") << fullHd << QPoint(960, 540)
                            << QStringList{mouse(0x8001, 32767, 32767)};
    QTest::newRow("bottom right") << fullHd << QPoint(1919, 1079)
                                  << QStringList{mouse(0x8001, 65500, 65474)};
    QTest::newRow("origin") << fullHd << QPoint(0, 0) << QStringList{mouse(0x8001, 0, 0)};
    QTest::newRow("left of the screen truncates toward zero")
        << fullHd << QPoint(-100, -1) << QStringList{mouse(0x8001, -3413, -60)};
    QTest::newRow("odd size truncates")
        << QSize(1366, 768) << QPoint(683, 384) << QStringList{mouse(0x8001, 32767, 32767)};
    QTest::newRow("one pixel screen")
        << QSize(1, 1) << QPoint(1, 1) << QStringList{mouse(0x8001, 65535, 65535)};
    QTest::newRow("past the right edge")
        << QSize(800, 600) << QPoint(1600, 1200) << QStringList{mouse(0x8001, 131070, 131070)};
    QTest::newRow("zero size refuses") << QSize(0, 0) << QPoint(10, 10) << QStringList{};
    QTest::newRow("zero width refuses") << QSize(0, 1080) << QPoint(10, 10) << QStringList{};
    QTest::newRow("zero height refuses") << QSize(1920, 0) << QPoint(10, 10) << QStringList{};
    QTest::newRow("invalid size refuses") << QSize() << QPoint(10, 10) << QStringList{};
}

void TestOperations::moveBatches() {
    QFETCH(QSize, screen);
    QFETCH(QPoint, point);
    QFETCH(QStringList, batches);
    recorder.setScreenSize(screen);
    MouseMoveOperation op;
    op.setPosition(point);
    op.execute();
    QCOMPARE(describeBatches(recorder.batches()), batches);
}

void TestOperations::moveReadsTheScreenSizeEachTime() {
    MouseMoveOperation op;
    op.setPosition(QPoint(500, 500));
    recorder.setScreenSize(QSize(1000, 1000));
    op.execute();
    recorder.setScreenSize(QSize(2000, 2000));
    op.execute();
    recorder.setScreenSize(QSize(0, 0));
    op.execute();
    QCOMPARE(describeBatches(recorder.batches()),
             (QStringList{mouse(0x8001, 32767, 32767), mouse(0x8001, 16383, 16383)}));
}

void TestOperations::textBatches_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("batches");
    auto unit = [](int u) { return character(u, false) + " | " + character(u, true); };
    QTest::newRow("A then B") << "AB" << QStringList{unit(65), unit(66)};
    QTest::newRow("outside the BMP")
        << QString::fromUtf8("😀") << QStringList{unit(0xD83D), unit(0xDE00)};
    QTest::newRow("chinese") << QString::fromUtf8("中文")
                             << QStringList{unit(0x4E2D), unit(0x6587)};
    QTest::newRow("control characters as is")
        << "\r\n\t" << QStringList{unit(13), unit(10), unit(9)};
    QTest::newRow("repeated character") << "aa" << QStringList{unit(97), unit(97)};
    QTest::newRow("null") << QString() << QStringList{};
    QTest::newRow("empty") << QString("") << QStringList{};
}

void TestOperations::textBatches() {
    QFETCH(QString, text);
    QFETCH(QStringList, batches);
    TextInputOperation op;
    op.setText(text);
    op.execute();
    QCOMPARE(describeBatches(recorder.batches()), batches);
    // No key stays down after typing.
    QVERIFY(!recorder.hasHeldInput());
}

void TestOperations::descriptions_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<Props>("props");
    QTest::addColumn<QString>("text");
    QTest::newRow("tap ctrl+A") << "key_input"
                                << Props{{"eventType", 2}, {"key", "A"}, {"modifiers", Ctrl}}
                                << QString::fromUtf8("输入按键: 敲击 Ctrl+A");
    QTest::newRow("press F5") << "key_input" << Props{{"eventType", 0}, {"key", "F5"}}
                              << QString::fromUtf8("输入按键: 按下 F5");
    QTest::newRow("release nothing keeps the blank")
        << "key_input" << Props{{"eventType", 1}, {"key", ""}}
        << QString::fromUtf8("输入按键: 抬起 ");
    QTest::newRow("empty key with modifiers")
        << "key_input" << Props{{"eventType", 0}, {"key", ""}, {"modifiers", Ctrl | Shift}}
        << QString::fromUtf8("输入按键: 按下 Shift+Ctrl");
    QTest::newRow("all modifiers")
        << "key_input"
        << Props{{"eventType", 1}, {"key", "x"}, {"modifiers", Meta | Alt | Ctrl | Shift}}
        << QString::fromUtf8("输入按键: 抬起 Shift+Ctrl+Alt+Win+x");
    QTest::newRow("unknown event type reads as tap")
        << "key_input" << Props{{"eventType", 7}, {"key", "Q"}}
        << QString::fromUtf8("输入按键: 敲击 Q");
    QTest::newRow("negative event type reads as tap")
        << "key_input" << Props{{"eventType", -1}, {"key", "Q"}}
        << QString::fromUtf8("输入按键: 敲击 Q");
    QTest::newRow("key with a placeholder")
        << "key_input" << Props{{"eventType", 0}, {"key", "%1"}, {"modifiers", Alt}}
        << QString::fromUtf8("输入按键: 按下 Alt+%1");
    QTest::newRow("double right click")
        << "mouse_click"
        << Props{{"position", QPoint(100, 250)}, {"clickType", 1}, {"clickButton", 1}}
        << QString::fromUtf8("在屏幕坐标(X=100, Y=250)处，双击鼠标右键");
    QTest::newRow("single left click")
        << "mouse_click" << Props{} << QString::fromUtf8("在屏幕坐标(X=0, Y=0)处，单击鼠标左键");
    QTest::newRow("middle click at negative point")
        << "mouse_click" << Props{{"position", QPoint(-5, 7)}, {"clickType", 0}, {"clickButton", 2}}
        << QString::fromUtf8("在屏幕坐标(X=-5, Y=7)处，单击鼠标中键");
    QTest::newRow("unknown click parts stay blank")
        << "mouse_click" << Props{{"position", QPoint(1, 2)}, {"clickType", 9}, {"clickButton", 3}}
        << QString::fromUtf8("在屏幕坐标(X=1, Y=2)处，鼠标");
    QTest::newRow("move") << "mouse_move" << Props{{"position", QPoint(100, 250)}}
                          << QString::fromUtf8("将鼠标移动到屏幕坐标 (X=100, Y=250)");
    QTest::newRow("move far left")
        << "mouse_move" << Props{{"position", QPoint(-2147483647 - 1, 0)}}
        << QString::fromUtf8("将鼠标移动到屏幕坐标 (X=-2147483648, Y=0)");
    QTest::newRow("text") << "text_input" << Props{{"text", "hello"}}
                          << QString::fromUtf8("输入文本: hello");
    QTest::newRow("null text") << "text_input" << Props{} << QString::fromUtf8("输入文本: ");
    QTest::newRow("text with placeholders") << "text_input" << Props{{"text", "%1 and %2 100%"}}
                                            << QString::fromUtf8("输入文本: %1 and %2 100%");
}

void TestOperations::descriptions() {
    QFETCH(QString, type);
    QFETCH(Props, props);
    QFETCH(QString, text);
    std::unique_ptr<Operation> op(makeOperation(type));
    applyProps(op.get(), props);
    QCOMPARE(op->description(), text);
}

void TestOperations::clone_data() {
    QTest::addColumn<QString>("type");
    QTest::addColumn<Props>("props");
    QTest::newRow("key") << "key_input"
                         << Props{{"interval", 1234},
                                  {"eventType", 2},
                                  {"key", QString::fromUtf8("中")},
                                  {"modifiers", Ctrl | Meta}};
    QTest::newRow("key defaults") << "key_input" << Props{};
    QTest::newRow("click") << "mouse_click"
                           << Props{{"interval", -7},
                                    {"position", QPoint(-5, 7)},
                                    {"clickType", 1},
                                    {"clickButton", 2}};
    QTest::newRow("click out of range")
        << "mouse_click" << Props{{"clickType", 42}, {"clickButton", -3}};
    QTest::newRow("move") << "mouse_move"
                          << Props{{"interval", 0}, {"position", QPoint(2147483647, -2147483647)}};
    QTest::newRow("text") << "text_input"
                          << Props{{"interval", 99}, {"text", QString::fromUtf8("a😀b")}};
    QTest::newRow("null text") << "text_input" << Props{};
    QTest::newRow("empty text") << "text_input" << Props{{"text", QString("")}};
}

void TestOperations::clone() {
    QFETCH(QString, type);
    QFETCH(Props, props);
    std::unique_ptr<Operation> original(makeOperation(type));
    applyProps(original.get(), props);
    original->setObjectName("source");
    original->setProperty("dynamicExtra", 5);
    const QStringList before = snapshot(original.get());

    QObject parent;
    QPointer<Operation> copy = original->clone(&parent);
    QVERIFY(copy);
    QVERIFY(copy.data() != original.get());
    QCOMPARE(copy->parent(), &parent);
    QCOMPARE(copy->metaObject(), original->metaObject());
    QCOMPARE(snapshot(copy), before);
    // Neither the object name nor dynamic properties are part of an operation.
    QVERIFY(copy->objectName().isEmpty());
    QVERIFY(!copy->property("dynamicExtra").isValid());

    // The two are independent.
    copy->setInterval(original->interval() + 1);
    if (auto* m = qobject_cast<MouseOperation*>(copy.data())) m->setPosition(QPoint(77, 88));
    if (auto* t = qobject_cast<TextInputOperation*>(copy.data())) t->setText("changed");
    if (auto* k = qobject_cast<KeyboardOperation*>(copy.data())) k->setKey("changed");
    QCOMPARE(snapshot(original.get()), before);

    // Without a parent the copy is free-standing.
    std::unique_ptr<Operation> orphan(original->clone(nullptr));
    QVERIFY(orphan);
    QCOMPARE(orphan->parent(), static_cast<QObject*>(nullptr));
    QCOMPARE(snapshot(orphan.get()), before);
}

void TestOperations::payloadRoundTrip_data() {
    clone_data();
}

// What writeTo writes, readFrom reads back into a fresh object unchanged.
void TestOperations::payloadRoundTrip() {
    QFETCH(QString, type);
    QFETCH(Props, props);
    std::unique_ptr<Operation> original(makeOperation(type));
    applyProps(original.get(), props);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_5_13);
        original->writeTo(out);
    }
    std::unique_ptr<Operation> copy(makeOperation(type));
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_13);
    copy->readFrom(in);
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(in.atEnd());
    QCOMPARE(snapshot(copy.get()), snapshot(original.get()));
}

void TestOperations::waitAndExecuteHonoursTheRunFlag() {
    std::atomic<bool>& running = AppConfig::instance().running;
    KeyboardOperation op;
    op.setEventType(2);
    op.setKey("A");

    running.store(false);
    op.setInterval(0);
    op.waitAndExecute();
    QCOMPARE(recorder.batches().size(), 0);  // stopped: nothing is sent

    running.store(true);
    op.setInterval(0);
    op.waitAndExecute();
    QCOMPARE(recorder.batches().size(), 2);

    recorder.clear();
    op.setInterval(120);
    QElapsedTimer timer;
    timer.start();
    op.waitAndExecute();
    QVERIFY2(timer.elapsed() >= 120, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(recorder.batches().size(), 2);
    running.store(false);
}

void TestOperations::factoryOrdersPrototypesByTypeName() {
    OperationFactory* factory = OperationFactory::instance();
    QCOMPARE(factory, OperationFactory::instance());
    QVERIFY(factory->prototypes().isEmpty());
    OperationFactory::registerStandardOperations();
    QCOMPARE(factory->prototypes().keys(),
             (QStringList{"key_input", "mouse_click", "mouse_move", "text_input"}));
    for (auto it = factory->prototypes().cbegin(); it != factory->prototypes().cend(); ++it) {
        QCOMPARE(it.value()->typeName(), it.key());
        QCOMPARE(it.value()->parent(), static_cast<QObject*>(nullptr));
    }
    // The standard prototypes carry the class defaults.
    QCOMPARE(snapshot(factory->prototypes().value("key_input")),
             (QStringList{"interval=50", "eventType=0", "key=\"\"", "modifiers=0x0"}));
    QCOMPARE(snapshot(factory->prototypes().value("text_input")),
             (QStringList{"interval=50", "text=<null>"}));
    QCOMPARE(snapshot(factory->prototypes().value("mouse_click")),
             (QStringList{"interval=50", "position=(0,0)", "clickType=0", "clickButton=0"}));
    factory->registerOperation(nullptr);  // ignored
    QCOMPARE(factory->prototypes().size(), 4);
}

void TestOperations::factoryCreatesClones_data() {
    QTest::addColumn<QString>("type");
    QTest::newRow("key") << "key_input";
    QTest::newRow("click") << "mouse_click";
    QTest::newRow("move") << "mouse_move";
    QTest::newRow("text") << "text_input";
}

void TestOperations::factoryCreatesClones() {
    QFETCH(QString, type);
    OperationFactory* factory = OperationFactory::instance();
    Operation* prototype = factory->prototypes().value(type);
    QVERIFY(prototype);
    QObject parent;
    Operation* made = factory->create(type, &parent);
    QVERIFY(made);
    QVERIFY(made != prototype);
    QCOMPARE(made->parent(), &parent);
    QCOMPARE(made->typeName(), type);
    QCOMPARE(snapshot(made), snapshot(prototype));
    made->setInterval(4321);
    QCOMPARE(prototype->interval(), 50);
}

void TestOperations::factoryRejectsUnknownNames_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("upper case") << "KEY_INPUT";
    QTest::newRow("trailing blank") << "mouse_move ";
    QTest::newRow("prefix") << "mouse";
    QTest::newRow("empty") << "";
    QTest::newRow("null") << QString();
    QTest::newRow("display name") << QString::fromUtf8("移动鼠标");
}

void TestOperations::factoryRejectsUnknownNames() {
    QFETCH(QString, name);
    QObject parent;
    QCOMPARE(OperationFactory::instance()->create(name, &parent), static_cast<Operation*>(nullptr));
    QVERIFY(parent.children().isEmpty());
}

void TestOperations::factoryReplacesAPrototype() {
    OperationFactory* factory = OperationFactory::instance();
    QPointer<Operation> first = factory->prototypes().value("mouse_move");
    QVERIFY(first);
    auto* second = new MouseMoveOperation;
    second->setInterval(777);
    second->setPosition(QPoint(3, 4));
    factory->registerOperation(second);
    QCOMPARE(factory->prototypes().size(), 4);
    std::unique_ptr<Operation> made(factory->create("mouse_move", nullptr));
    QCOMPARE(snapshot(made.get()), (QStringList{"interval=777", "position=(3,4)"}));
    QVERIFY(first);  // replaced, not deleted
    factory->registerOperation(first);
    delete second;
    QCOMPARE(factory->prototypes().value("mouse_move"), first.data());
}

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
