// The generic widgets. The property grid: integer rows within their bounds, the
// two-column browser that shows rows, and its in-place editors.
// The ribbon: pages, panels and large buttons keep the order they were added in, buttons
// follow their actions, and the bar takes the menu bar's place.
#include <QtTest>
#include <QtWidgets>
#include <climits>

#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/TreePropertyBrowser.h"
#include "widgets/propertybrowser/VariantEditorFactory.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"
#include "widgets/ribbon/RibbonBar.h"
#include "widgets/ribbon/RibbonCategory.h"
#include "widgets/ribbon/RibbonMainWindow.h"
#include "widgets/ribbon/RibbonPanel.h"

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
        QTest::mouseClick(tree->viewport(), button, {},
                          QPoint(column == 1 ? tree->columnViewportPosition(1) + 10 : 30,
                                 tree->visualItemRect(item(p)).center().y()));
    }
};
}  // namespace

struct BoundsCase {
    QVariant minimum, maximum;
    int set, expected, expectedMin, expectedMax;
};
Q_DECLARE_METATYPE(BoundsCase)

class TestWidgets : public QObject {
    Q_OBJECT
private slots:
    void integerBounds_data() {
        QTest::addColumn<BoundsCase>("c");
        QTest::newRow("unbounded") << BoundsCase{{}, {}, -7, -7, INT_MIN, INT_MAX};
        QTest::newRow("below") << BoundsCase{1, 100, 0, 1, 1, 100};
        QTest::newRow("above") << BoundsCase{1, 100, 1000, 100, 1, 100};
        QTest::newRow("maximum below minimum drags it") << BoundsCase{10, 5, 7, 5, 5, 5};
    }
    // Bounds hold the value whether they come before it or after.
    void integerBounds() {
        QFETCH(BoundsCase, c);
        VariantPropertyManager manager;
        Property* before = manager.addProperty(QVariant::Int, "n");
        Property* after = manager.addProperty(QVariant::Int, "m");
        manager.setValue(after, c.set);
        for (Property* row : {before, after}) {
            if (c.minimum.isValid()) manager.setAttribute(row, "minimum", c.minimum);
            if (c.maximum.isValid()) manager.setAttribute(row, "maximum", c.maximum);
        }
        manager.setValue(before, c.set);
        for (Property* row : {before, after})
            QCOMPARE(
                QList<int>({manager.value(row).toInt(), manager.attribute(row, "minimum").toInt(),
                            manager.attribute(row, "maximum").toInt()}),
                QList<int>({c.expected, c.expectedMin, c.expectedMax}));
    }

    void editorsWriteIntoTheRowAndFollowIt() {
        Grid g;
        Property* number = g.add(QVariant::Int, "n");
        g.manager.setValue(number, 50);
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        QVERIFY(g.browser->editProperty(number));
        auto* spin = qobject_cast<QSpinBox*>(g.editor());
        QCOMPARE(spin->value(), 50);
        spin->setValue(70);
        QCOMPARE(g.item(number)->text(1), QString("70"));
        g.manager.setValue(number, 20);
        QCOMPARE(spin->value(), 20);
        g.manager.setAttribute(number, "maximum", 10);
        QVERIFY(spin->maximum() == 10 && spin->value() == 10);

        Property* text = g.add(QVariant::String, "t");
        QVERIFY(g.browser->editProperty(text));
        QTest::keyClicks(g.editor(), "ab");
        QCOMPARE(g.manager.value(text).toString(), QString("ab"));
        // A long text shows only its start in the cell (laying out megabytes there froze
        // the window), and the editor holds all of it: an edit never cuts it short.
        const QString longText(100000, 'x');
        g.manager.setValue(text, longText);
        QCOMPARE(g.item(text)->text(1), QString(1000, 'x') + "…");
        QTest::keyClick(g.editor(), Qt::Key_End);
        QTest::keyClicks(g.editor(), "y");
        QCOMPARE(g.manager.value(text).toString(), longText + "y");
    }

    // A left click on the value cell of an enabled row opens its editor; Escape, Return,
    // Tab, another row, the focus elsewhere and disabling the row end the edit.
    void editorsOpenAndEnd() {
        Grid g;
        Property* first = g.add(QVariant::Int, "first");
        Property* second = g.add(QVariant::Int, "second");
        Property* point = g.add(QVariant::Point, "p");
        point->setEnabled(false);
        QVERIFY(QTest::qWaitForWindowActive(&g.window));
        g.click(first, 0);
        g.click(point->subProperties().at(0));
        g.click(first, 1, Qt::RightButton);
        QVERIFY(!g.editor());
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
        // F2 on the current row opens its value editor from the keyboard; hiding the
        // window, as a point pick does, keeps the edit open.
        g.browser->treeWidget()->setFocus();
        g.browser->treeWidget()->setCurrentItem(g.item(first));
        QTest::keyClick(g.browser->treeWidget(), Qt::Key_F2);
        g.window.hide();
        QCoreApplication::processEvents();
        QCOMPARE(g.browser->editedProperty(), first);
        first->setEnabled(false);
        QTRY_VERIFY(!g.editor());
    }

    // Built from lines "page>panel>action|action" and read back from what each page
    // shows, buttons left to right; one line parts each two panels.
    void structure() {
        const QStringList lines{"开始>文件>保存|基本信息", "开始>空>",
                                "视图>界面布局>默认布局|操作窗口|属性窗口"};
        RibbonMainWindow window;
        RibbonBar* bar = window.ribbonBar();
        QCOMPARE(window.menuWidget(), bar);
        for (const QString& line : lines) {
            const QStringList parts = line.split('>');
            if (!bar->categoryCount() ||
                bar->category(bar->categoryCount() - 1)->title() != parts[0])
                bar->addCategoryPage(parts[0]);
            RibbonPanel* panel = bar->category(bar->categoryCount() - 1)->addPanel(parts[1]);
            for (const QString& text : parts[2].split('|', Qt::SkipEmptyParts))
                panel->addLargeAction(new QAction(text, bar));
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList shown;
        for (int p = 0; p < bar->categoryCount(); ++p) {
            RibbonCategory* page = bar->category(p);
            bar->setCurrentIndex(p);
            QVERIFY(page->isVisible());
            QCOMPARE(page->findChildren<QFrame*>("ribbonSeparator").size(),
                     page->panels().size() - 1);
            for (RibbonPanel* panel : page->panels()) {
                QMap<int, QString> byPosition;
                for (QAction* action : panel->actions())
                    byPosition.insert(panel->buttonFor(action)->x(), action->text());
                shown << page->title() + '>' + panel->title() + '>' + byPosition.values().join('|');
            }
        }
        QCOMPARE(shown, lines);
    }

    void buttonsFollowTheirActions() {
        QAction save("保存");
        RibbonBar bar;
        RibbonPanel* panel = bar.addCategoryPage("开始")->addPanel("文件");
        panel->addLargeAction(&save);
        QSignalSpy triggered(&save, &QAction::triggered);
        panel->buttonFor(&save)->click();
        QCOMPARE(triggered.count(), 1);
        save.setVisible(false);
        QVERIFY(panel->buttonFor(&save)->isHidden());
        save.setVisible(true);
        QVERIFY(!panel->buttonFor(&save)->isHidden());
        panel->removeAction(&save);
        QVERIFY(!panel->buttonFor(&save));
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
