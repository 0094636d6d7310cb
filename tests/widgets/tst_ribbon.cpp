// The ribbon: pages, panels and large buttons keep the order they were added in, buttons
// follow their actions, and the bar takes the menu bar's place.
#include <QtTest>
#include <QtWidgets>

#include "widgets/ribbon/RibbonBar.h"
#include "widgets/ribbon/RibbonCategory.h"
#include "widgets/ribbon/RibbonMainWindow.h"
#include "widgets/ribbon/RibbonPanel.h"

class TestRibbon : public QObject {
    Q_OBJECT
private slots:
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
            const int last = bar->categoryCount() - 1;
            RibbonCategory* page = last >= 0 && bar->category(last)->title() == parts[0]
                                       ? bar->category(last)
                                       : bar->addCategoryPage(parts[0]);
            RibbonPanel* panel = page->addPanel(parts[1]);
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

QTEST_MAIN(TestRibbon)
#include "tst_ribbon.moc"
