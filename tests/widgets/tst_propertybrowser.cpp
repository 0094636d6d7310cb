#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "Property.h"
#include "TreePropertyBrowser.h"
#include "VariantEditorFactory.h"
#include "VariantPropertyManager.h"

namespace {

// A factory that replaces the editor of rows named "custom" and counts its calls.
class LabelFactory : public VariantEditorFactory {
public:
    using VariantEditorFactory::VariantEditorFactory;
    int calls = 0;
    QWidget* createEditor(VariantPropertyManager* manager, Property* property,
                          QWidget* parent) override {
        ++calls;
        if (property->propertyName() == "custom") return new QLabel("mine", parent);
        return VariantEditorFactory::createEditor(manager, property, parent);
    }
};

}  // namespace

// The two-column grid: rows and their texts, in-place editors, disabled rows.
class TestPropertyBrowser : public QObject {
    Q_OBJECT
private:
    struct Grid {
        QWidget window;
        QLineEdit* elsewhere;
        TreePropertyBrowser* browser;
        VariantPropertyManager manager;
        LabelFactory factory;
        Grid() {
            auto* layout = new QVBoxLayout(&window);
            elsewhere = new QLineEdit(&window);
            browser = new TreePropertyBrowser(&window);
            layout->addWidget(elsewhere);
            layout->addWidget(browser);
            browser->setFactoryForManager(&manager, &factory);
            window.resize(400, 400);
        }
        bool show() {
            window.show();
            window.activateWindow();
            return QTest::qWaitForWindowActive(&window);
        }
        Property* add(int type, const QString& name) {
            Property* p = manager.addProperty(type, name);
            browser->addProperty(p);
            return p;
        }
        QTreeWidgetItem* item(Property* p) const { return browser->itemForProperty(p); }
        void clickValue(Property* p, Qt::MouseButton button = Qt::LeftButton) {
            QTreeWidget* tree = browser->treeWidget();
            const QRect cell = tree->visualItemRect(item(p));
            const QPoint at(tree->columnViewportPosition(1) + 10, cell.center().y());
            QTest::mouseClick(tree->viewport(), button, {}, at);
        }
        void clickName(Property* p) {
            QTreeWidget* tree = browser->treeWidget();
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              QPoint(30, tree->visualItemRect(item(p)).center().y()));
        }
    };

private slots:
    void rowsShowNamesAndValueTexts() {
        Grid g;
        Property* number = g.add(QVariant::Int, "间隔");
        Property* point = g.add(QVariant::Point, "位置");
        Property* flags = g.manager.addProperty(VariantPropertyManager::flagTypeId(), "修饰键");
        g.manager.setAttribute(flags, "flagNames", QStringList{"Shift", "Ctrl", "Alt", "Win"});
        g.browser->addProperty(flags);
        Property* choice = g.add(VariantPropertyManager::enumTypeId(), "动作");
        g.manager.setAttribute(choice, "enumNames", QStringList{"按下", "抬起"});
        Property* on = g.add(QVariant::Bool, "on");

        g.manager.setValue(number, 50);
        g.manager.setValue(point, QPoint(100, 250));
        g.manager.setValue(flags, 6);
        g.manager.setValue(choice, 1);
        g.manager.setValue(on, true);

        QTreeWidget* tree = g.browser->treeWidget();
        QCOMPARE(tree->topLevelItemCount(), 5);
        QCOMPARE(g.browser->properties(), (QList<Property*>{number, point, flags, choice, on}));
        const QStringList names{"间隔", "位置", "修饰键", "动作", "on"};
        const QStringList values{"50", "100, 250", "Ctrl|Alt", "抬起", "True"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(tree->topLevelItem(i)->text(0), names.at(i));
            QCOMPARE(tree->topLevelItem(i)->text(1), values.at(i));
        }
        QCOMPARE(g.item(on)->data(1, Qt::CheckStateRole).toInt(), int(Qt::Checked));

        // Sub-rows are shown under their row, expanded, and follow its value.
        QCOMPARE(g.item(point)->childCount(), 2);
        QVERIFY(g.item(point)->isExpanded());
        QCOMPARE(g.item(point)->child(0)->text(0), QString("X"));
        QCOMPARE(g.item(point)->child(1)->text(1), QString("250"));
        QCOMPARE(g.item(flags)->childCount(), 4);
        QCOMPARE(g.item(flags)->child(2)->data(1, Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(g.item(flags)->child(0)->data(1, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));

        g.manager.setValue(point->subProperties().at(0), 7);
        QCOMPARE(g.item(point)->text(1), QString("7, 250"));
        point->setPropertyName("坐标");
        QCOMPARE(g.item(point)->text(0), QString("坐标"));

        // A row added twice is shown once.
        g.browser->addProperty(number);
        QCOMPARE(tree->topLevelItemCount(), 5);
    }

    void standardEditorPerRowType_data() {
        QTest::addColumn<int>("typeId");
        QTest::addColumn<int>("sub");  // -1: the row itself
        QTest::addColumn<QString>("editorClass");
        QTest::newRow("int") << int(QVariant::Int) << -1 << "QSpinBox";
        QTest::newRow("string") << int(QVariant::String) << -1 << "QLineEdit";
        QTest::newRow("bool") << int(QVariant::Bool) << -1 << "QCheckBox";
        QTest::newRow("enum") << VariantPropertyManager::enumTypeId() << -1 << "QComboBox";
        QTest::newRow("point has none") << int(QVariant::Point) << -1 << "";
        QTest::newRow("point x") << int(QVariant::Point) << 0 << "QSpinBox";
        QTest::newRow("flag has none") << VariantPropertyManager::flagTypeId() << -1 << "";
        QTest::newRow("flag bit") << VariantPropertyManager::flagTypeId() << 1 << "QCheckBox";
    }
    void standardEditorPerRowType() {
        QFETCH(int, typeId);
        QFETCH(int, sub);
        QFETCH(QString, editorClass);
        Grid g;
        Property* row = g.add(typeId, "row");
        if (typeId == VariantPropertyManager::flagTypeId())
            g.manager.setAttribute(row, "flagNames", QStringList{"a", "b"});
        QVERIFY(g.show());
        Property* target = sub < 0 ? row : row->subProperties().at(sub);
        g.clickValue(target);
        QWidget* editor = g.browser->currentEditor();
        if (editorClass.isEmpty()) {
            QVERIFY(!editor);
            QVERIFY(!g.browser->editedProperty());
            return;
        }
        QVERIFY(editor);
        QCOMPARE(editor->metaObject()->className(), editorClass.toLatin1().constData());
        QCOMPARE(g.browser->editedProperty(), target);
        QVERIFY(editor->isVisible());
        // The editor sits inside the value cell.
        QTreeWidget* tree = g.browser->treeWidget();
        const QRect cell = tree->visualItemRect(g.item(target));
        QVERIFY(cell.contains(editor->geometry().center()));
        QVERIFY(editor->geometry().left() >= tree->columnViewportPosition(1));
    }

    void editorsWriteIntoTheRowAndFollowIt() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        g.manager.setAttribute(number, "minimum", 1);
        g.manager.setAttribute(number, "maximum", 100);
        g.manager.setValue(number, 50);
        QVERIFY(g.show());
        QVERIFY(g.browser->editProperty(number));
        auto* spin = qobject_cast<QSpinBox*>(g.browser->currentEditor());
        QVERIFY(spin);
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->maximum(), 100);
        QCOMPARE(spin->value(), 50);
        spin->setValue(70);
        QCOMPARE(g.manager.value(number).toInt(), 70);
        QCOMPARE(g.item(number)->text(1), QString("70"));
        g.manager.setValue(number, 20);
        QCOMPARE(spin->value(), 20);
        g.manager.setAttribute(number, "maximum", 10);
        QCOMPARE(spin->maximum(), 10);
        QCOMPARE(spin->value(), 10);

        Property* text = g.add(QVariant::String, "t");
        QVERIFY(g.browser->editProperty(text));
        QVERIFY(!g.browser->currentEditor() || g.browser->editedProperty() == text);
        auto* line = qobject_cast<QLineEdit*>(g.browser->currentEditor());
        QVERIFY(line);
        QTest::keyClicks(line, "ab");
        QCOMPARE(g.manager.value(text).toString(), QString("ab"));

        Property* choice = g.add(VariantPropertyManager::enumTypeId(), "c");
        g.manager.setAttribute(choice, "enumNames", QStringList{"单击", "双击"});
        QVERIFY(g.browser->editProperty(choice));
        auto* combo = qobject_cast<QComboBox*>(g.browser->currentEditor());
        QVERIFY(combo);
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->itemText(1), QString("双击"));
        combo->setCurrentIndex(1);
        QCOMPARE(g.manager.value(choice).toInt(), 1);
        QCOMPARE(g.item(choice)->text(1), QString("双击"));
    }

    void clicksOpenOnlyValueCellsOfEnabledRows() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        Property* locked = g.add(QVariant::String, "locked");
        Property* point = g.add(QVariant::Point, "p");
        locked->setEnabled(false);
        point->setEnabled(false);
        QVERIFY(g.show());

        g.clickName(number);
        QVERIFY(!g.browser->currentEditor());
        g.clickValue(number, Qt::RightButton);
        QVERIFY(!g.browser->currentEditor());

        QVERIFY(g.item(locked)->isDisabled());
        QVERIFY(g.item(point)->child(0)->isDisabled());
        g.clickValue(locked);
        QVERIFY(!g.browser->currentEditor());
        QVERIFY(!g.browser->editProperty(locked));
        QVERIFY(!g.browser->editProperty(point->subProperties().at(0)));
        QCOMPARE(g.item(locked)->text(1), QString());  // still shown

        g.clickValue(number);
        QCOMPARE(g.browser->editedProperty(), number);
        // Disabling the row being edited ends the edit.
        number->setEnabled(false);
        QTRY_VERIFY(!g.browser->currentEditor());
    }

    void editingEndsWithFocusKeysOrAnotherRow() {
        Grid g;
        Property* first = g.add(QVariant::Int, "first");
        Property* second = g.add(QVariant::Int, "second");
        QVERIFY(g.show());

        g.clickValue(first);
        QVERIFY(g.browser->currentEditor());
        QTest::keyClick(g.browser->currentEditor(), Qt::Key_Escape);
        QTRY_VERIFY(!g.browser->currentEditor());

        g.clickValue(first);
        QTest::keyClick(g.browser->currentEditor(), Qt::Key_Return);
        QTRY_VERIFY(!g.browser->currentEditor());

        g.clickValue(first);
        g.clickValue(second);
        QCOMPARE(g.browser->editedProperty(), second);

        g.elsewhere->setFocus();
        QTRY_VERIFY(!g.browser->currentEditor());

        // F2 on the current row opens its value editor from the keyboard.
        g.browser->treeWidget()->setFocus();
        g.browser->treeWidget()->setCurrentItem(g.item(first));
        QTest::keyClick(g.browser->treeWidget(), Qt::Key_F2);
        QCOMPARE(g.browser->editedProperty(), first);
    }

    void editorSurvivesTheWindowBeingHidden() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        QVERIFY(g.show());
        QVERIFY(g.browser->editProperty(number));
        QPointer<QWidget> editor = g.browser->currentEditor();
        QVERIFY(editor);
        g.window.hide();
        QCoreApplication::processEvents();
        QCOMPARE(g.browser->currentEditor(), editor.data());
        QVERIFY(g.show());
        QCOMPARE(g.browser->currentEditor(), editor.data());
        static_cast<QSpinBox*>(editor.data())->setValue(9);
        QCOMPARE(g.manager.value(number).toInt(), 9);
    }

    void editorThatTakesAllKeysKeepsEscape() {
        Grid g;
        Property* custom = g.add(QVariant::String, "custom");
        QVERIFY(g.show());
        QVERIFY(g.browser->editProperty(custom));
        QWidget* editor = g.browser->currentEditor();
        QVERIFY(qobject_cast<QLabel*>(editor));
        TreePropertyBrowser::setEditorTakesAllKeys(editor);
        QTest::keyClick(editor, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(g.browser->currentEditor(), editor);
    }

    void derivedFactoryIsAsked() {
        Grid g;
        Property* custom = g.add(QVariant::String, "custom");
        Property* plain = g.add(QVariant::String, "plain");
        QVERIFY(g.show());
        g.clickValue(custom);
        QCOMPARE(g.factory.calls, 1);
        auto* label = qobject_cast<QLabel*>(g.browser->currentEditor());
        QVERIFY(label);
        QCOMPARE(label->text(), QString("mine"));
        g.clickValue(plain);
        QCOMPARE(g.factory.calls, 2);
        QVERIFY(qobject_cast<QLineEdit*>(g.browser->currentEditor()));
    }

    void rowsWithoutAFactoryHaveNoEditor() {
        Grid g;
        g.browser->setFactoryForManager(&g.manager, nullptr);
        Property* number = g.add(QVariant::Int, "n");
        QVERIFY(g.show());
        QVERIFY(!g.browser->editProperty(number));
    }

    void clearingTheManagerEmptiesTheGrid() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        g.add(QVariant::Point, "p");
        QVERIFY(g.show());
        QVERIFY(g.browser->editProperty(number));
        QPointer<QWidget> editor = g.browser->currentEditor();
        g.manager.clear();
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 0);
        QVERIFY(g.browser->properties().isEmpty());
        QVERIFY(!g.browser->currentEditor());
        QTRY_VERIFY(!editor);
        // The manager goes on making rows for the same grid.
        Property* again = g.add(QVariant::Bool, "again");
        QCOMPARE(g.browser->properties(), QList<Property*>{again});
    }

    void browserClearKeepsTheRows() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        Property* point = g.add(QVariant::Point, "p");
        g.browser->clear();
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 0);
        QVERIFY(g.manager.owns(number));
        g.browser->addProperty(point);
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 1);
        QCOMPARE(g.item(point)->childCount(), 2);
        QVERIFY(!g.item(number));
    }
};

QTEST_MAIN(TestPropertyBrowser)
#include "tst_propertybrowser.moc"
