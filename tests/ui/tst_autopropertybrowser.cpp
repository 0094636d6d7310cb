#include <QDateTime>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>
#include <climits>

#include "AutoPropertyBrowser.h"
#include "Flow.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "OperationPropertyBrowser.h"
#include "Property.h"
#include "PropertyPanelWidget.h"
#include "TextInputOperation.h"
#include "VariantPropertyManager.h"

// Counts the writes into its properties, so a test sees what the browser wrote.
class Probe : public QObject {
    Q_OBJECT
    Q_PROPERTY(int number READ number WRITE setNumber)
    Q_PROPERTY(QPoint point READ point WRITE setPoint)
    Q_PROPERTY(QString label READ label WRITE setLabel)
    Q_PROPERTY(int bits READ bits WRITE setBits)
    Q_PROPERTY(QString fixed READ fixed)
    Q_PROPERTY(int hidden WRITE setHidden)
    Q_PROPERTY(QDateTime when READ when WRITE setWhen)
    Q_CLASSINFO("prop_number", "")
    Q_CLASSINFO("prop_point", "坐标")
    Q_CLASSINFO("prop_label", "标签")
    Q_CLASSINFO("editor_bits", "FLAG")
    Q_CLASSINFO("flagnames_bits", "a|b|c")
public:
    int writes = 0;
    int number() const { return n; }
    void setNumber(int v) { n = v, ++writes; }
    QPoint point() const { return p; }
    void setPoint(const QPoint& v) { p = v, ++writes; }
    QString label() const { return text; }
    void setLabel(const QString& v) { text = v, ++writes; }
    int bits() const { return b; }
    void setBits(int v) { b = v, ++writes; }
    QString fixed() const { return QStringLiteral("fixed"); }
    void setHidden(int) { ++writes; }
    QDateTime when() const { return {}; }
    void setWhen(const QDateTime&) { ++writes; }

private:
    int n = 0;
    QPoint p;
    QString text;
    int b = 0;
};

// A derived class overrides its base's labels and editors.
class DerivedProbe : public Probe {
    Q_OBJECT
    Q_CLASSINFO("prop_label", "派生标签")
    Q_CLASSINFO("prop_number", "数字")
    Q_CLASSINFO("editor_number", "COMBO")
    Q_CLASSINFO("choices_number", "零|一")
};

// "COMBO" and "FLAG" without their lists, and an editor value nobody knows.
class BareLists : public QObject {
    Q_OBJECT
    Q_PROPERTY(int n READ n WRITE setN)
    Q_PROPERTY(Qt::KeyboardModifiers m READ m WRITE setM)
    Q_PROPERTY(int k READ n WRITE setN)
    Q_CLASSINFO("editor_n", "COMBO")
    Q_CLASSINFO("editor_m", "FLAG")
    Q_CLASSINFO("editor_k", "combo")
public:
    int n() const { return 0; }
    void setN(int) {}
    Qt::KeyboardModifiers m() const { return Qt::ShiftModifier; }
    void setM(Qt::KeyboardModifiers) {}
};

// Spin box bounds from "range_", one class per written range.
#define RANGE_PROBE(Name, Range)            \
    class Name : public QObject {           \
        Q_OBJECT                            \
        Q_PROPERTY(int n READ n WRITE setN) \
        Q_CLASSINFO("editor_n", "SPINBOX")  \
        Q_CLASSINFO("range_n", Range)       \
    public:                                 \
        int n() const { return value; }     \
        void setN(int v) { value = v; }     \
        int value = 50;                     \
    };
RANGE_PROBE(RangeBounded, "1-100")
RANGE_PROBE(RangeNegative, "-5-100")
RANGE_PROBE(RangeUnparsable, "x-7")
RANGE_PROBE(RangeOnePart, "100")
RANGE_PROBE(RangeEmpty, "")

// The automatic property browser over operations, the flow and probe classes.
class TestAutoPropertyBrowser : public QObject {
    Q_OBJECT
private:
    static QStringList labels(const AutoPropertyBrowser& b) {
        QStringList out;
        for (Property* p : b.treeBrowser()->properties()) out << p->propertyName();
        return out;
    }
    static QList<bool> enabledStates(const AutoPropertyBrowser& b) {
        QList<bool> out;
        for (Property* p : b.treeBrowser()->properties()) out << p->isEnabled();
        return out;
    }

private slots:
    void rowsFollowThePropertyOrder_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::newRow("keyboard") << "key"
                                  << QStringList{"执行间隔（毫秒）", "按键动作", "按键", "修饰键"}
                                  << QList<bool>{true, true, true, true};
        QTest::newRow("click") << "click"
                               << QStringList{"执行间隔（毫秒）", "位置坐标", "点击类型",
                                              "点击按键"}
                               << QList<bool>{true, true, true, true};
        QTest::newRow("move") << "move" << QStringList{"执行间隔（毫秒）", "位置坐标"}
                              << QList<bool>{true, true};
        QTest::newRow("text") << "text" << QStringList{"执行间隔（毫秒）", "输入内容"}
                              << QList<bool>{true, true};
        QTest::newRow("flow") << "flow" << QStringList{"流名称", "流描述", "创建时间", "修改时间"}
                              << QList<bool>{false, true, false, false};
        // Unreadable, objectName and types the grid cannot show are left out.
        QTest::newRow("probe") << "probe" << QStringList{"number", "坐标", "标签", "bits", "fixed"}
                               << QList<bool>{true, true, true, true, false};
        QTest::newRow("derived") << "derived"
                                 << QStringList{"数字", "坐标", "派生标签", "bits", "fixed"}
                                 << QList<bool>{true, true, true, true, false};
    }
    void rowsFollowThePropertyOrder() {
        QFETCH(QString, kind);
        QFETCH(QStringList, expected);
        QFETCH(QList<bool>, enabled);
        QScopedPointer<QObject> object;
        if (kind == "key") object.reset(new KeyboardOperation);
        if (kind == "click") object.reset(new MouseClickOperation);
        if (kind == "move") object.reset(new MouseMoveOperation);
        if (kind == "text") object.reset(new TextInputOperation);
        if (kind == "flow") object.reset(new Flow);
        if (kind == "probe") object.reset(new Probe);
        if (kind == "derived") object.reset(new DerivedProbe);
        object->setObjectName("named");
        AutoPropertyBrowser browser;
        browser.setObject(object.data());
        QCOMPARE(browser.object(), object.data());
        QCOMPARE(labels(browser), expected);
        QCOMPARE(enabledStates(browser), enabled);
        QCOMPARE(browser.treeBrowser()->treeWidget()->topLevelItemCount(), expected.size());
    }

    void rowKindsOfTheKeyboardOperation() {
        KeyboardOperation op;
        op.setInterval(120);
        op.setEventType(KeyboardOperation::Tap);
        op.setKey("F5");
        op.setModifiers(Qt::ControlModifier | Qt::AltModifier);
        AutoPropertyBrowser browser;
        browser.setObject(&op);

        Property* interval = browser.rowForProperty("interval");
        QCOMPARE(interval->propertyType(), int(QVariant::Int));
        QCOMPARE(interval->value().toInt(), 120);

        Property* event = browser.rowForProperty("eventType");
        QCOMPARE(event->propertyType(), VariantPropertyManager::enumTypeId());
        QCOMPARE(event->attribute("enumNames").toStringList(),
                 (QStringList{"按下", "抬起", "敲击（按下+抬起）"}));
        QCOMPARE(event->value().toInt(), 2);
        QCOMPARE(event->valueText(), QString("敲击（按下+抬起）"));

        Property* key = browser.rowForProperty("key");
        QCOMPARE(key->propertyType(), int(QVariant::String));
        QCOMPARE(key->value().toString(), QString("F5"));

        Property* mods = browser.rowForProperty("modifiers");
        QCOMPARE(mods->propertyType(), VariantPropertyManager::flagTypeId());
        QCOMPARE(mods->value().toInt(), 6);
        QStringList subNames;
        QList<bool> ticks;
        for (Property* sub : mods->subProperties()) {
            subNames << sub->propertyName();
            ticks << sub->value().toBool();
        }
        QCOMPARE(subNames, (QStringList{"Shift", "Ctrl", "Alt", "Win"}));
        QCOMPARE(ticks, (QList<bool>{false, true, true, false}));
    }

    void modifierTable_data() {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("flags");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("shift") << int(Qt::ShiftModifier) << 1;
        QTest::newRow("ctrl+alt") << int(Qt::ControlModifier | Qt::AltModifier) << 6;
        QTest::newRow("meta") << int(Qt::MetaModifier) << 8;
        QTest::newRow("all four") << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                         Qt::MetaModifier)
                                  << 15;
    }
    void modifierTable() {
        QFETCH(int, modifiers);
        QFETCH(int, flags);
        QCOMPARE(AutoPropertyBrowser::modifiersToFlags(Qt::KeyboardModifiers(modifiers)), flags);
        QCOMPARE(int(AutoPropertyBrowser::flagsToModifiers(flags)), modifiers);
        // Keypad and group-switch bits are dropped.
        QCOMPARE(
            AutoPropertyBrowser::modifiersToFlags(Qt::KeyboardModifiers(modifiers) |
                                                  Qt::KeypadModifier | Qt::GroupSwitchModifier),
            flags);
        QCOMPARE(int(AutoPropertyBrowser::flagsToModifiers(flags | 0x30)), modifiers);
    }

    void tickingShiftWritesAllThreeModifiers() {
        KeyboardOperation op;
        op.setModifiers(Qt::ControlModifier | Qt::AltModifier);
        AutoPropertyBrowser browser;
        browser.setObject(&op);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        Property* mods = browser.rowForProperty("modifiers");
        browser.propertyManager()->setValue(mods->subProperties().at(0), true);
        QCOMPARE(op.modifiers(), Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(edits.count(), 1);
        const QList<QVariant> args = edits.at(0);
        QVERIFY(!args.at(0).toModelIndex().isValid());
        QVERIFY(!args.at(1).toModelIndex().isValid());
        QVERIFY(args.at(2).value<QVector<int>>().isEmpty());

        browser.propertyManager()->setValue(mods->subProperties().at(1), false);
        QCOMPARE(op.modifiers(), Qt::ShiftModifier | Qt::AltModifier);
        QCOMPARE(edits.count(), 2);
    }

    void flagRowOfAPlainIntegerWritesTheBits() {
        Probe probe;
        probe.setBits(5);
        probe.writes = 0;
        AutoPropertyBrowser browser;
        browser.setObject(&probe);
        Property* bits = browser.rowForProperty("bits");
        // An integer is not a modifier set: the shown bits come from no modifiers.
        QCOMPARE(bits->value().toInt(), 0);
        browser.propertyManager()->setValue(bits, 3);
        QCOMPARE(probe.bits(), 3);
        QCOMPARE(probe.writes, 1);
    }

    void showingNeverWritesOrSignals() {
        Probe probe;
        probe.setNumber(7);
        probe.setPoint({100, 250});
        probe.setLabel("x");
        probe.writes = 0;
        KeyboardOperation key;
        key.setModifiers(Qt::ControlModifier);
        MouseClickOperation click;
        click.setPosition({3, 4});
        AutoPropertyBrowser browser;
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        browser.setObject(&probe);
        browser.setObject(&key);
        browser.setObject(&click);
        browser.setObject(&probe);
        browser.setObject(nullptr);
        QCOMPARE(edits.count(), 0);
        QCOMPARE(probe.writes, 0);
        QCOMPARE(key.modifiers(), Qt::ControlModifier);
        QCOMPARE(click.position(), QPoint(3, 4));
        QVERIFY(browser.treeBrowser()->properties().isEmpty());
        QVERIFY(!browser.object());
    }

    void sameObjectKeepsItsRows() {
        MouseClickOperation op;
        AutoPropertyBrowser browser;
        browser.setObject(&op);
        Property* position = browser.rowForProperty("position");
        QVERIFY(browser.treeBrowser()->isExpanded(position));
        browser.treeBrowser()->setExpanded(position, false);
        op.setInterval(999);  // not watched: shown again only after another object

        browser.setObject(&op);
        QCOMPARE(browser.rowForProperty("position"), position);
        QVERIFY(!browser.treeBrowser()->isExpanded(position));
        QCOMPARE(browser.rowForProperty("interval")->value().toInt(), 50);

        MouseMoveOperation other;
        browser.setObject(&other);
        browser.setObject(&op);
        QCOMPARE(browser.rowForProperty("interval")->value().toInt(), 999);
        QVERIFY(browser.treeBrowser()->isExpanded(browser.rowForProperty("position")));
    }

    void pointEditedThroughItsXSubRow() {
        Probe probe;
        probe.setPoint({100, 250});
        probe.writes = 0;
        AutoPropertyBrowser browser;
        browser.setObject(&probe);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        Property* point = browser.rowForProperty("point");
        QCOMPARE(point->valueText(), QString("100, 250"));
        browser.propertyManager()->setValue(point->subProperties().at(0), 130);
        QCOMPARE(probe.point(), QPoint(130, 250));
        QCOMPARE(probe.writes, 1);
        QCOMPARE(edits.count(), 1);
    }

    void editsThroughTheGridReachTheOperation() {
        MouseClickOperation op;
        AutoPropertyBrowser browser;
        browser.resize(300, 300);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        browser.setObject(&op);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);

        QVERIFY(browser.treeBrowser()->editProperty(browser.rowForProperty("interval")));
        auto* spin = qobject_cast<QSpinBox*>(browser.treeBrowser()->currentEditor());
        QVERIFY(spin);
        QCOMPARE(spin->value(), 50);
        spin->setValue(75);
        QCOMPARE(op.interval(), 75);
        QCOMPARE(edits.count(), 1);

        browser.propertyManager()->setValue(browser.rowForProperty("clickButton"), 2);
        QCOMPARE(op.clickButton(), 2);
        QCOMPARE(edits.count(), 2);
    }

    void flowDescriptionIsTheOnlyEdit() {
        Flow flow;
        AutoPropertyBrowser browser;
        browser.setObject(&flow);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        browser.propertyManager()->setValue(browser.rowForProperty("description"), "每日报表");
        QCOMPARE(flow.description(), QString("每日报表"));
        QCOMPARE(edits.count(), 1);
        QVERIFY(!browser.treeBrowser()->editProperty(browser.rowForProperty("name")));
        // A read-only row changed by the program is not written, but still reported.
        browser.propertyManager()->setValue(browser.rowForProperty("name"), "other");
        QCOMPARE(flow.name(), QString(""));
        QCOMPARE(edits.count(), 2);
    }

    void spinBoxBounds_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("shown");
        QTest::newRow("1-100") << "bounded" << 1 << 100 << 50;
        QTest::newRow("negative minimum: no bounds") << "negative" << INT_MIN << INT_MAX << 50;
        QTest::newRow("unparsable part counts as 0") << "unparsable" << 0 << 7 << 7;
        QTest::newRow("one part: no bounds") << "onepart" << INT_MIN << INT_MAX << 50;
        QTest::newRow("empty: no bounds") << "empty" << INT_MIN << INT_MAX << 50;
    }
    void spinBoxBounds() {
        QFETCH(QString, kind);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, shown);
        QScopedPointer<QObject> object;
        if (kind == "bounded") object.reset(new RangeBounded);
        if (kind == "negative") object.reset(new RangeNegative);
        if (kind == "unparsable") object.reset(new RangeUnparsable);
        if (kind == "onepart") object.reset(new RangeOnePart);
        if (kind == "empty") object.reset(new RangeEmpty);
        AutoPropertyBrowser browser;
        browser.setObject(object.data());
        Property* row = browser.rowForProperty("n");
        QVERIFY(row);
        QCOMPARE(row->propertyType(), int(QVariant::Int));
        QCOMPARE(row->attribute("minimum").toInt(), minimum);
        QCOMPARE(row->attribute("maximum").toInt(), maximum);
        QCOMPARE(row->value().toInt(), shown);
        // Building shows the value without writing the clamped one back.
        QCOMPARE(object->property("n").toInt(), 50);
    }

    void missingListsGiveOneEmptyName() {
        BareLists bare;
        AutoPropertyBrowser browser;
        browser.setObject(&bare);
        Property* combo = browser.rowForProperty("n");
        QCOMPARE(combo->propertyType(), VariantPropertyManager::enumTypeId());
        QCOMPARE(combo->attribute("enumNames").toStringList(), QStringList{QString()});
        Property* flags = browser.rowForProperty("m");
        QCOMPARE(flags->subProperties().size(), 1);
        QCOMPARE(flags->subProperties().at(0)->propertyName(), QString());
        // An editor value that is not one of the three gives the property's own row.
        QCOMPARE(browser.rowForProperty("k")->propertyType(), int(QVariant::Int));
    }

    void destroyedObjectIsNeverWritten() {
        auto* op = new KeyboardOperation;
        AutoPropertyBrowser browser;
        browser.setObject(op);
        Property* interval = browser.rowForProperty("interval");
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        delete op;
        browser.propertyManager()->setValue(interval, 10);
        QCOMPARE(edits.count(), 0);
        // Another object at the same address would still be a new object.
        browser.setObject(nullptr);
        QVERIFY(browser.treeBrowser()->properties().isEmpty());
    }

    void headersAndPanel() {
        PropertyPanelWidget panel;
        QCOMPARE(panel.objectName(), QString("PropertyPanelWidgetClass"));
        AutoPropertyBrowser* browser = panel.propertyBrowser();
        QVERIFY(browser);
        QCOMPARE(browser->objectName(), QString("propertyBrowser"));
        QTreeWidget* tree = browser->findChild<QTreeWidget*>();
        QCOMPARE(tree->headerItem()->text(0), QString("属性"));
        QCOMPARE(tree->headerItem()->text(1), QString("值"));
        browser->treeBrowser()->setHeaderLabels("a", "b");
        QCOMPARE(tree->headerItem()->text(1), QString("b"));

        TextInputOperation op;
        panel.setOperation(&op);
        QCOMPARE(browser->object(), &op);
        QCOMPARE(tree->topLevelItemCount(), 2);
        panel.setOperation(nullptr);
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(!browser->object());
    }
};

QTEST_MAIN(TestAutoPropertyBrowser)
#include "tst_autopropertybrowser.moc"
