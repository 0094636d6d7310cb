// The automatic property browser: rows made from an object's properties and class
// info, edits written back, the editor each operation row gets, and key capture.
#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "AutoPropertyBrowser.h"
#include "Flow.h"
#include "KeyInputWidget.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "OperationPropertyBrowser.h"
#include "Property.h"
#include "TextInputOperation.h"
#include "VariantPropertyManager.h"

struct EditCase {
    QString kind, property;
    int sub;  // -1: the row itself
    QVariant value, expected;
    QString text;  // the row's text afterwards
};
Q_DECLARE_METATYPE(EditCase)

namespace {
QObject* make(const QString& kind) {
    if (kind == "key") return new KeyboardOperation;
    if (kind == "click") return new MouseClickOperation;
    if (kind == "text") return new TextInputOperation;
    return new Flow;
}
}  // namespace

class TestAutoPropertyBrowser : public QObject {
    Q_OBJECT
private slots:
    // Rows in property order, labelled by class info of the class or its bases;
    // read-only properties disabled, objectName left out.
    void rowsFollowThePropertyOrder_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("click") << "click"
                               << QStringList{"执行间隔（毫秒）", "位置坐标", "点击类型",
                                              "点击按键"};
        QTest::newRow("flow") << "flow"
                              << QStringList{"流名称 (read-only)", "流描述", "创建时间 (read-only)",
                                             "修改时间 (read-only)"};
    }
    void rowsFollowThePropertyOrder() {
        QFETCH(QString, kind);
        QFETCH(QStringList, labels);
        QScopedPointer<QObject> object(make(kind));
        object->setObjectName("named");
        AutoPropertyBrowser browser;
        browser.setObject(object.data());
        QStringList shown;
        for (Property* p : browser.treeBrowser()->properties())
            shown << p->propertyName() + (p->isEnabled() ? "" : " (read-only)");
        QCOMPARE(shown, labels);
    }

    // Each edit is written into the object once and announced once.
    void editsWriteTheObject_data() {
        QTest::addColumn<EditCase>("c");
        const auto mods = [](Qt::KeyboardModifiers m) { return QVariant::fromValue(m); };
        const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
        QTest::newRow("tick shift") << EditCase{
            "key", "modifiers", 0, true, mods(ctrlAlt | Qt::ShiftModifier), "Shift|Ctrl|Alt"};
        QTest::newRow("tick win") << EditCase{
            "key", "modifiers", 3, true, mods(ctrlAlt | Qt::MetaModifier), "Ctrl|Alt|Win"};
        QTest::newRow("untick ctrl")
            << EditCase{"key", "modifiers", 1, false, mods(Qt::AltModifier), "Alt"};
        QTest::newRow("point x") << EditCase{"click", "position", 0, 130, QPoint(130, 0), "130, 0"};
        QTest::newRow("combo") << EditCase{"click", "clickButton", -1, 2, 2, "中键"};
        QTest::newRow("flow description")
            << EditCase{"flow", "description", -1, "每日报表", "每日报表", "每日报表"};
    }
    void editsWriteTheObject() {
        QFETCH(EditCase, c);
        QScopedPointer<QObject> object(make(c.kind));
        object->setProperty("modifiers",
                            QVariant::fromValue(Qt::ControlModifier | Qt::AltModifier));
        AutoPropertyBrowser browser;
        browser.setObject(object.data());
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        Property* row = browser.rowForProperty(c.property);
        browser.propertyManager()->setValue(c.sub < 0 ? row : row->subProperties().at(c.sub),
                                            c.value);
        QCOMPARE(object->property(qPrintable(c.property)), c.expected);
        QCOMPARE(row->valueText(), c.text);
        QCOMPARE(edits.count(), 1);
        // Invalid indexes: a model that forwards the signal repaints everything.
        QVERIFY(!edits.at(0).at(0).toModelIndex().isValid());
    }

    void showingNeverWritesOrSignals() {
        KeyboardOperation key;
        key.setModifiers(Qt::ControlModifier);
        MouseClickOperation click;
        click.setPosition({3, 4});
        Flow flow;
        AutoPropertyBrowser browser;
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        for (QObject* o : QList<QObject*>{&key, &click, &flow, &key}) browser.setObject(o);
        QCOMPARE(edits.count(), 0);
        QCOMPARE(key.modifiers(), Qt::ControlModifier);
        QCOMPARE(click.position(), QPoint(3, 4));
        browser.setObject(nullptr);
        QVERIFY(browser.treeBrowser()->properties().isEmpty());
    }

    void sameObjectKeepsItsRows() {
        MouseClickOperation op;
        AutoPropertyBrowser browser;
        browser.setObject(&op);
        Property* position = browser.rowForProperty("position");
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
        QVERIFY(!browser.object());
    }

    void editorPerRow_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("sub");              // -1: the row itself
        QTest::addColumn<QString>("editorClass");  // empty: none
        QTest::newRow("interval") << "key"
                                  << "interval" << -1 << "QSpinBox";
        QTest::newRow("key") << "key"
                             << "key" << -1 << "KeyInputWidget";
        QTest::newRow("modifiers") << "key"
                                   << "modifiers" << -1 << "";
        QTest::newRow("modifier bit") << "key"
                                      << "modifiers" << 2 << "QCheckBox";
        QTest::newRow("position") << "click"
                                  << "position" << -1 << "PointSelectWidget";
        QTest::newRow("position x") << "click"
                                    << "position" << 0 << "QSpinBox";
        // Its label contains "按键" but is not exactly it.
        QTest::newRow("click button") << "click"
                                      << "clickButton" << -1 << "QComboBox";
        QTest::newRow("text") << "text"
                              << "text" << -1 << "QLineEdit";
    }
    void editorPerRow() {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        QFETCH(int, sub);
        QFETCH(QString, editorClass);
        QScopedPointer<QObject> op(make(kind));
        AutoPropertyBrowser browser;
        browser.resize(320, 300);
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        browser.setObject(op.data());
        Property* row = browser.rowForProperty(property);
        if (sub >= 0) row = row->subProperties().at(sub);
        QCOMPARE(browser.treeBrowser()->editProperty(row), !editorClass.isEmpty());
        QWidget* editor = browser.treeBrowser()->currentEditor();
        QCOMPARE(QString(editor ? editor->metaObject()->className() : ""), editorClass);
    }

    void keyCapture_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("name");  // empty: ignored
        QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << "";
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "";
        QTest::newRow("alt alone") << int(Qt::Key_Alt) << int(Qt::AltModifier) << "";
        QTest::newRow("meta alone") << int(Qt::Key_Meta) << int(Qt::MetaModifier) << "";
        QTest::newRow("shift+a") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A";
        QTest::newRow("ctrl+alt+f5, a shortcut")
            << int(Qt::Key_F5) << int(Qt::ControlModifier | Qt::AltModifier) << "F5";
        QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << "Del";
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << "Esc";
        QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "Tab";
        QTest::newRow("space") << int(Qt::Key_Space) << 0 << "Space";
    }
    void keyCapture() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, name);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* keys = new KeyInputWidget(&window);
        layout->addWidget(keys);
        layout->addWidget(new QLineEdit(&window));  // somewhere Tab could go
        auto* shortcut = new QAction(&window);
        shortcut->setShortcut(QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_F5));
        window.addAction(shortcut);
        QSignalSpy triggered(shortcut, &QAction::triggered);
        window.show();
        keys->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        keys->setText("old");
        QSignalSpy captured(keys, &KeyInputWidget::valueChanged);
        QTest::keyClick(keys, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(keys->text(), name.isEmpty() ? QString("old") : name);
        QCOMPARE(captured.count(), name.isEmpty() ? 0 : 1);
        if (!name.isEmpty()) QCOMPARE(captured.at(0).at(0).toString(), name);
        // Keys are captured, never shortcuts of the window or focus moves.
        QCOMPARE(triggered.count(), 0);
        QVERIFY(keys->hasFocus());
    }
};

QTEST_MAIN(TestAutoPropertyBrowser)
#include "tst_autopropertybrowser.moc"
