// The automatic property browser: rows made from an object's properties and class
// info, edits written back, the editor each operation row gets, and key capture.
#include <QtTest>
#include <QtWidgets>

#include "model/Flow.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui/KeyInputWidget.h"
#include "ui/OperationPropertyBrowser.h"
#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

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
    return new Flow;
}
}  // namespace

class TestAutoPropertyBrowser : public QObject {
    Q_OBJECT
private slots:
    // Each edit is written into the object once and announced once.
    void editsWriteTheObject_data() {
        QTest::addColumn<EditCase>("c");
        const auto mods = [](Qt::KeyboardModifiers m) { return QVariant::fromValue(m); };
        const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;
        QTest::newRow("tick win") << EditCase{
            "key", "modifiers", 3, true, mods(ctrlAlt | Qt::MetaModifier), "Ctrl|Alt|Win"};
        QTest::newRow("untick ctrl")
            << EditCase{"key", "modifiers", 1, false, mods(Qt::AltModifier), "Alt"};
        QTest::newRow("combo") << EditCase{"click", "clickButton", -1, 2, 2, "中键"};
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
    }

    // Showing writes nothing; the same object again keeps its rows as they were; a
    // destroyed object is never written.
    void showingObjects() {
        KeyboardOperation key;
        key.setModifiers(Qt::ControlModifier);
        auto* click = new MouseClickOperation;
        click->setPosition({3, 4});
        AutoPropertyBrowser browser;
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        for (QObject* o : QList<QObject*>{&key, click, &key, click}) browser.setObject(o);
        QCOMPARE(key.modifiers(), Qt::ControlModifier);
        QCOMPARE(click->position(), QPoint(3, 4));
        Property* position = browser.rowForProperty("position");
        browser.setObject(click);
        QCOMPARE(browser.rowForProperty("position"), position);
        delete click;
        browser.propertyManager()->setValue(browser.rowForProperty("interval"), 10);
        QCOMPARE(edits.count(), 0);
    }

    void editorPerRow_data() {
        for (const char* column : {"kind", "property", "editor"})
            QTest::addColumn<QString>(column);  // editor: its class, empty: none
        const auto row = [](const char* kind, const char* property, const char* editor) {
            QTest::newRow(property) << QString(kind) << QString(property) << QString(editor);
        };
        row("key", "key", "KeyInputWidget");
        row("click", "position", "PointSelectWidget");
        row("click", "clickButton", "QComboBox");  // its label contains "按键", is not it
        row("flow", "name", "");                   // read-only
    }
    void editorPerRow() {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        QFETCH(QString, editor);
        QScopedPointer<QObject> op(make(kind));
        AutoPropertyBrowser browser;
        browser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&browser));
        browser.setObject(op.data());
        QCOMPARE(browser.treeBrowser()->editProperty(browser.rowForProperty(property)),
                 !editor.isEmpty());
        QWidget* opened = browser.treeBrowser()->currentEditor();
        QCOMPARE(QString(opened ? opened->metaObject()->className() : ""), editor);
        if (property != "key") return;
        // Keys that would end another edit are captured, and with the modifiers held
        // written into the operation as one edit.
        int handed = 0;
        browser.setEditHandler([&](QObject* object, const QVariantMap& values, const QString&) {
            ++handed;
            for (auto it = values.cbegin(); it != values.cend(); ++it)
                object->setProperty(qPrintable(it.key()), it.value());
        });
        QTest::keyClick(opened, Qt::Key_Escape, Qt::ControlModifier);
        QCOMPARE(handed, 1);
        QCOMPARE(op->property("key").toString(), QString("Esc"));
        QCOMPARE(op->property("modifiers").value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
        QCOMPARE(browser.treeBrowser()->currentEditor(), opened);
    }

    // Keys are captured, never shortcuts of the window or focus moves; a modifier alone
    // is no key.
    void keyCapture_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("name");  // empty: ignored
        QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << "";
        QTest::newRow("ctrl+alt+f5, a shortcut")
            << int(Qt::Key_F5) << int(Qt::ControlModifier | Qt::AltModifier) << "F5";
        QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "Tab";
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
        QVERIFY(triggered.isEmpty() && keys->hasFocus());
    }
};

QTEST_MAIN(TestAutoPropertyBrowser)
#include "tst_autopropertybrowser.moc"
