#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "AutoPropertyBrowser.h"
#include "KeyInputWidget.h"
#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "OperationEditorFactory.h"
#include "OperationPropertyBrowser.h"
#include "PointSelectWidget.h"
#include "Property.h"
#include "TextInputOperation.h"
#include "VariantPropertyManager.h"

// Which editor each row of each operation gets, and key capture.
class TestOperationEditors : public QObject {
    Q_OBJECT
private:
    static QObject* make(const QString& kind) {
        if (kind == "key") return new KeyboardOperation;
        if (kind == "click") return new MouseClickOperation;
        if (kind == "move") return new MouseMoveOperation;
        return new TextInputOperation;
    }

private slots:
    void editorPerRow_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("sub");  // -1: the row itself
        QTest::addColumn<QString>("editorClass");
        QTest::newRow("interval") << "key"
                                  << "interval" << -1 << "QSpinBox";
        QTest::newRow("key action") << "key"
                                    << "eventType" << -1 << "QComboBox";
        QTest::newRow("key") << "key"
                             << "key" << -1 << "KeyInputWidget";
        QTest::newRow("modifiers") << "key"
                                   << "modifiers" << -1 << "";
        QTest::newRow("modifier bit") << "key"
                                      << "modifiers" << 2 << "QCheckBox";
        QTest::newRow("click position") << "click"
                                        << "position" << -1 << "PointSelectWidget";
        QTest::newRow("position x") << "click"
                                    << "position" << 0 << "QSpinBox";
        QTest::newRow("position y") << "move"
                                    << "position" << 1 << "QSpinBox";
        QTest::newRow("move position") << "move"
                                       << "position" << -1 << "PointSelectWidget";
        QTest::newRow("click type") << "click"
                                    << "clickType" << -1 << "QComboBox";
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
        QVERIFY(row);
        if (sub >= 0) row = row->subProperties().at(sub);
        const bool opened = browser.treeBrowser()->editProperty(row);
        QWidget* editor = browser.treeBrowser()->currentEditor();
        if (editorClass.isEmpty()) {
            QVERIFY(!opened);
            QVERIFY(!editor);
            return;
        }
        QVERIFY(opened);
        QCOMPARE(editor->metaObject()->className(), editorClass.toLatin1().constData());
    }

    void rowsOfAnotherManagerGetTheStandardEditor() {
        VariantPropertyManager mine;
        VariantPropertyManager other;
        Property* key = other.addProperty(QVariant::String, "按键");
        Property* point = other.addProperty(QVariant::Point, "位置坐标");
        OperationEditorFactory factory;
        QWidget parent;
        QVERIFY(!factory.createEditor(&mine, key, &parent));
        QVERIFY(!factory.createEditor(&mine, point, &parent));
        QVERIFY(!factory.createEditor(nullptr, key, &parent));
        QWidget* own = factory.createEditor(&other, key, &parent);
        QVERIFY(qobject_cast<KeyInputWidget*>(own));
        QCOMPARE(own->parentWidget(), &parent);
    }

    void pointEditorShowsAndWritesThePoint() {
        MouseMoveOperation op;
        op.setPosition({100, 250});
        AutoPropertyBrowser browser;
        browser.setObject(&op);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        OperationEditorFactory factory;
        QWidget parent;
        Property* row = browser.rowForProperty("position");
        auto* picker = qobject_cast<PointSelectWidget*>(
            factory.createEditor(browser.propertyManager(), row, &parent));
        QVERIFY(picker);
        QCOMPARE(picker->value(), QPoint(100, 250));
        QCOMPARE(picker->findChild<QLineEdit*>()->text(), QString("100, 250"));
        emit picker->valueChanged(QPoint(-3, 640));
        QCOMPARE(op.position(), QPoint(-3, 640));
        QCOMPARE(row->valueText(), QString("-3, 640"));
        QCOMPARE(edits.count(), 1);
        // The picker does not follow changes of the row made elsewhere.
        browser.propertyManager()->setValue(row, QPoint(1, 1));
        QCOMPARE(picker->value(), QPoint(100, 250));
    }

    void keyEditorShowsAndWritesTheName() {
        KeyboardOperation op;
        op.setKey("F5");
        AutoPropertyBrowser browser;
        browser.setObject(&op);
        QSignalSpy edits(&browser, &AutoPropertyBrowser::sigValueChanged);
        OperationEditorFactory factory;
        QWidget parent;
        auto* keys = qobject_cast<KeyInputWidget*>(factory.createEditor(
            browser.propertyManager(), browser.rowForProperty("key"), &parent));
        QVERIFY(keys);
        QCOMPARE(keys->text(), QString("F5"));
        QTest::keyClick(keys, Qt::Key_Backspace);
        QCOMPARE(op.key(), QString("Backspace"));
        QCOMPARE(edits.count(), 1);
    }

    void keyCapture_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("name");  // empty: ignored
        QTest::newRow("control alone") << int(Qt::Key_Control) << int(Qt::ControlModifier) << "";
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << "";
        QTest::newRow("alt alone") << int(Qt::Key_Alt) << int(Qt::AltModifier) << "";
        QTest::newRow("meta alone") << int(Qt::Key_Meta) << int(Qt::MetaModifier) << "";
        QTest::newRow("a") << int(Qt::Key_A) << 0 << "A";
        QTest::newRow("ctrl+a") << int(Qt::Key_A) << int(Qt::ControlModifier) << "A";
        QTest::newRow("shift+a") << int(Qt::Key_A) << int(Qt::ShiftModifier) << "A";
        QTest::newRow("ctrl+alt+f5")
            << int(Qt::Key_F5) << int(Qt::ControlModifier | Qt::AltModifier) << "F5";
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << 0 << "Backspace";
        QTest::newRow("delete") << int(Qt::Key_Delete) << 0 << "Del";
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << "Esc";
        QTest::newRow("return") << int(Qt::Key_Return) << 0 << "Return";
        QTest::newRow("tab") << int(Qt::Key_Tab) << 0 << "Tab";
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << "Left";
        QTest::newRow("space") << int(Qt::Key_Space) << 0 << "Space";
        QTest::newRow("digit") << int(Qt::Key_7) << 0 << "7";
    }
    void keyCapture() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, name);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* keys = new KeyInputWidget(&window);
        auto* next = new QLineEdit(&window);
        layout->addWidget(keys);
        layout->addWidget(next);
        window.show();
        keys->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(keys->hasFocus());
        keys->setText("old");
        QSignalSpy captured(keys, &KeyInputWidget::valueChanged);
        QTest::keyClick(keys, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (name.isEmpty()) {
            QCOMPARE(keys->text(), QString("old"));
            QCOMPARE(captured.count(), 0);
        } else {
            QCOMPARE(keys->text(), name);
            QCOMPARE(captured.count(), 1);
            QCOMPARE(captured.at(0).at(0).toString(), name);
        }
        // Tab and the rest never move the focus out of the capture.
        QVERIFY(keys->hasFocus());
    }

    void keyCaptureTakesKeysBeforeShortcuts() {
        QWidget window;
        auto* keys = new KeyInputWidget(&window);
        auto* save = new QAction(&window);
        save->setShortcut(QKeySequence("Ctrl+S"));
        window.addAction(save);
        QSignalSpy triggered(save, &QAction::triggered);
        window.show();
        keys->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(keys, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 0);
        QCOMPARE(keys->text(), QString("S"));
    }

    void keyCaptureHasInputMethodsOff() {
        KeyInputWidget keys;
        QVERIFY(!keys.testAttribute(Qt::WA_InputMethodEnabled));
        QVERIFY(keys.text().isEmpty());
        QCOMPARE(keys.contextMenuPolicy(), Qt::NoContextMenu);
    }

    void keyEditorInTheGridKeepsEscapeAndTab() {
        KeyboardOperation op;
        AutoPropertyBrowser browser;
        browser.resize(320, 300);
        browser.show();
        browser.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&browser));
        browser.setObject(&op);
        QVERIFY(browser.treeBrowser()->editProperty(browser.rowForProperty("key")));
        auto* keys = qobject_cast<KeyInputWidget*>(browser.treeBrowser()->currentEditor());
        QVERIFY(keys);
        QTest::keyClick(keys, Qt::Key_Escape);
        QCOMPARE(op.key(), QString("Esc"));
        QTest::keyClick(keys, Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(op.key(), QString("Tab"));
        QCOMPARE(browser.treeBrowser()->currentEditor(), keys);
        // A standard editor still ends on Escape.
        QVERIFY(browser.treeBrowser()->editProperty(browser.rowForProperty("interval")));
        QWidget* spin = browser.treeBrowser()->currentEditor();
        QVERIFY(qobject_cast<QSpinBox*>(spin));
        QTest::keyClick(spin, Qt::Key_Escape);
        QTRY_VERIFY(!browser.treeBrowser()->currentEditor());
    }
};

QTEST_MAIN(TestOperationEditors)
#include "tst_operationeditors.moc"
