#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include "Property.h"
#include "TreePropertyBrowser.h"
#include "VariantEditorFactory.h"
#include "VariantPropertyManager.h"

namespace {
// A shown grid with a line edit beside it, to take the focus away.
struct Grid {
    QWidget window;
    QLineEdit* elsewhere = new QLineEdit(&window);
    TreePropertyBrowser* browser = new TreePropertyBrowser(&window);
    VariantPropertyManager manager;
    VariantEditorFactory factory;
    Grid() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(elsewhere);
        layout->addWidget(browser);
        browser->setFactoryForManager(&manager, &factory);
        window.resize(400, 400);
        window.show();
        window.activateWindow();
    }
    Property* add(int type, const QString& name) {
        Property* p = manager.addProperty(type, name);
        browser->addProperty(p);
        return p;
    }
    QTreeWidgetItem* item(Property* p) const { return browser->itemForProperty(p); }
    QWidget* editor() const { return browser->currentEditor(); }
    // Clicks the row's value cell (column 1) or its name (column 0).
    void click(Property* p, int column = 1, Qt::MouseButton button = Qt::LeftButton) {
        QTreeWidget* tree = browser->treeWidget();
        const int x = column == 1 ? tree->columnViewportPosition(1) + 10 : 30;
        QTest::mouseClick(tree->viewport(), button, {},
                          QPoint(x, tree->visualItemRect(item(p)).center().y()));
    }
};
}  // namespace

// The two-column grid: rows and their texts, in-place editors, disabled rows.
class TestPropertyBrowser : public QObject {
    Q_OBJECT
private slots:
    void rowsShowNamesAndValueTexts() {
        Grid g;
        Property* number = g.add(QVariant::Int, "间隔");
        Property* point = g.add(QVariant::Point, "位置");
        g.manager.setValue(number, 50);
        g.manager.setValue(point, QPoint(100, 250));
        QCOMPARE(g.browser->properties(), (QList<Property*>{number, point}));
        QCOMPARE(g.item(number)->text(0), QString("间隔"));
        QCOMPARE(g.item(number)->text(1), QString("50"));
        // Sub-rows are shown under their row, expanded, and follow its value.
        QVERIFY(g.item(point)->isExpanded());
        QCOMPARE(g.item(point)->child(1)->text(1), QString("250"));
        g.manager.setValue(point->subProperties().at(0), 7);
        QCOMPARE(g.item(point)->text(1), QString("7, 250"));
        point->setPropertyName("坐标");
        QCOMPARE(g.item(point)->text(0), QString("坐标"));
        g.browser->addProperty(number);  // a row added twice is shown once
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 2);
    }

    void standardEditorPerRowType_data() {
        QTest::addColumn<int>("typeId");
        QTest::addColumn<int>("sub");              // -1: the row itself
        QTest::addColumn<QString>("editorClass");  // empty: none
        QTest::newRow("int") << int(QVariant::Int) << -1 << "QSpinBox";
        QTest::newRow("string") << int(QVariant::String) << -1 << "QLineEdit";
        QTest::newRow("bool") << int(QVariant::Bool) << -1 << "QCheckBox";
        QTest::newRow("enum") << VariantPropertyManager::enumTypeId() << -1 << "QComboBox";
        QTest::newRow("point has none") << int(QVariant::Point) << -1 << "";
        QTest::newRow("point x") << int(QVariant::Point) << 0 << "QSpinBox";
        QTest::newRow("flag bit") << VariantPropertyManager::flagTypeId() << 1 << "QCheckBox";
    }
    void standardEditorPerRowType() {
        QFETCH(int, typeId);
        QFETCH(int, sub);
        QFETCH(QString, editorClass);
        Grid g;
        Property* row = g.add(typeId, "row");
        g.manager.setAttribute(row, "flagNames", QStringList{"a", "b"});
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        Property* target = sub < 0 ? row : row->subProperties().at(sub);
        g.click(target);
        QWidget* editor = g.editor();
        QCOMPARE(QString(editor ? editor->metaObject()->className() : ""), editorClass);
        QCOMPARE(g.browser->editedProperty(), editor ? target : nullptr);
        // The editor sits inside the value cell.
        QTreeWidget* tree = g.browser->treeWidget();
        if (editor)
            QVERIFY(tree->visualItemRect(g.item(target)).contains(editor->geometry().center()));
        if (editor) QVERIFY(editor->geometry().left() >= tree->columnViewportPosition(1));
    }

    void editorsWriteIntoTheRowAndFollowIt() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        g.manager.setAttribute(number, "minimum", 1);
        g.manager.setValue(number, 50);
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        QVERIFY(g.browser->editProperty(number));
        auto* spin = qobject_cast<QSpinBox*>(g.editor());
        QCOMPARE(spin->minimum(), 1);
        QCOMPARE(spin->value(), 50);
        spin->setValue(70);
        QCOMPARE(g.item(number)->text(1), QString("70"));
        g.manager.setValue(number, 20);
        QCOMPARE(spin->value(), 20);
        g.manager.setAttribute(number, "maximum", 10);
        QCOMPARE(spin->maximum(), 10);
        QCOMPARE(spin->value(), 10);

        Property* choice = g.add(VariantPropertyManager::enumTypeId(), "c");
        g.manager.setAttribute(choice, "enumNames", QStringList{"单击", "双击"});
        QVERIFY(g.browser->editProperty(choice));
        qobject_cast<QComboBox*>(g.editor())->setCurrentIndex(1);
        QCOMPARE(g.item(choice)->text(1), QString("双击"));

        Property* text = g.add(QVariant::String, "t");
        QVERIFY(g.browser->editProperty(text));
        QTest::keyClicks(g.editor(), "ab");
        QCOMPARE(g.manager.value(text).toString(), QString("ab"));
    }

    void clicksOpenOnlyValueCellsOfEnabledRows() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        Property* point = g.add(QVariant::Point, "p");
        point->setEnabled(false);
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        g.click(number, 0);
        g.click(number, 1, Qt::RightButton);
        QVERIFY(!g.editor());
        QVERIFY(g.item(point)->child(0)->isDisabled());
        g.click(point->subProperties().at(0));
        QVERIFY(!g.editor());
        g.click(number);
        QCOMPARE(g.browser->editedProperty(), number);
        number->setEnabled(false);  // ends the edit
        QTRY_VERIFY(!g.editor());
        // Without a factory no row has an editor.
        g.browser->setFactoryForManager(&g.manager, nullptr);
        number->setEnabled(true);
        QVERIFY(!g.browser->editProperty(number));
    }

    void editingEnds() {
        Grid g;
        Property* first = g.add(QVariant::Int, "first");
        Property* second = g.add(QVariant::Int, "second");
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Tab}) {
            g.click(first);
            QTest::keyClick(g.editor(), key);
            QTRY_VERIFY2(!g.editor(), qPrintable(QKeySequence(key).toString()));
        }
        g.click(first);
        g.click(second);
        QCOMPARE(g.browser->editedProperty(), second);
        g.elsewhere->setFocus();
        QTRY_VERIFY(!g.editor());
        // F2 on the current row opens its value editor from the keyboard.
        g.browser->treeWidget()->setFocus();
        g.browser->treeWidget()->setCurrentItem(g.item(first));
        QTest::keyClick(g.browser->treeWidget(), Qt::Key_F2);
        QCOMPARE(g.browser->editedProperty(), first);
    }

    void clearing() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        Property* point = g.add(QVariant::Point, "p");
        // The browser's clear keeps the rows with their manager.
        g.browser->clear();
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 0);
        QVERIFY(g.manager.owns(number));
        g.browser->addProperty(point);
        QCOMPARE(g.item(point)->childCount(), 2);
        // The manager's clear deletes them, and with them the grid's rows and editor.
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        QVERIFY(g.browser->editProperty(point->subProperties().at(0)));
        QPointer<QWidget> editor = g.editor();
        g.manager.clear();
        QCOMPARE(g.browser->treeWidget()->topLevelItemCount(), 0);
        QTRY_VERIFY(!editor);
        Property* again = g.add(QVariant::Bool, "again");
        QCOMPARE(g.browser->properties(), QList<Property*>{again});
    }
};

QTEST_MAIN(TestPropertyBrowser)
#include "tst_propertybrowser.moc"
