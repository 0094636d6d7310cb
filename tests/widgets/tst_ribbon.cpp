// The ribbon: pages, panels and large buttons keep the order they were added in, buttons
// follow their actions, and the bar takes the menu bar's place.
#include <QAction>
#include <QFrame>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "widgets/ribbon/RibbonBar.h"
#include "widgets/ribbon/RibbonCategory.h"
#include "widgets/ribbon/RibbonMainWindow.h"
#include "widgets/ribbon/RibbonPanel.h"

namespace {
// A ribbon described as lines "page>panel>action|action"; lines naming the last page
// again add to it.
void build(RibbonBar* bar, const QStringList& lines) {
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
    bar->resize(800, bar->sizeHint().height());
    bar->show();
}
}  // namespace

class TestRibbon : public QObject {
    Q_OBJECT
private slots:
    // Read back in the same notation: panels and buttons run left to right in the order
    // added, with one thin line in each gap between panels.
    void structure() {
        const QStringList lines{"开始>文件>保存|基本信息", "开始>空>", "开始>调试>启/停",
                                "视图>界面布局>默认布局|操作窗口|属性窗口"};
        RibbonMainWindow window;
        RibbonBar* bar = window.ribbonBar();
        QCOMPARE(window.menuWidget(), bar);
        build(bar, lines);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QStringList shown;
        for (int p = 0; p < bar->categoryCount(); ++p) {
            RibbonCategory* page = bar->category(p);
            bar->setCurrentIndex(p);  // lays the page out, so positions can be compared
            const auto separators = page->findChildren<QFrame*>("ribbonSeparator");
            QCOMPARE(separators.size(), page->panels().size() - 1);
            int right = -1;
            for (RibbonPanel* panel : page->panels()) {
                int inGap = 0;
                for (QFrame* s : separators)
                    inGap += s->x() > right && s->geometry().right() < panel->x();
                QCOMPARE(inGap, right < 0 ? 0 : 1);
                QStringList texts;
                for (QAction* action : panel->actions()) {
                    QToolButton* button = panel->buttonFor(action);
                    QVERIFY(button->mapTo(page, QPoint()).x() > right);
                    right = button->mapTo(page, QPoint(button->width() - 1, 0)).x();
                    texts << button->text();
                }
                right = qMax(right, panel->geometry().right());
                shown << page->title() + '>' + panel->title() + '>' + texts.join('|');
            }
        }
        QCOMPARE(shown, lines);
    }

    void buttonsFollowTheirActions() {
        RibbonBar bar;
        build(&bar, {"开始>文件>保存|基本信息"});
        RibbonPanel* panel = bar.category(0)->panels().first();
        QAction* save = panel->actions().first();
        QSignalSpy triggered(save, &QAction::triggered);
        panel->buttonFor(save)->click();
        QCOMPARE(triggered.count(), 1);
        save->setVisible(false);
        QVERIFY(panel->buttonFor(save)->isHidden());
        save->setVisible(true);
        QVERIFY(!panel->buttonFor(save)->isHidden());
        panel->removeAction(save);
        QVERIFY(!panel->buttonFor(save));
    }
};

QTEST_MAIN(TestRibbon)
#include "tst_ribbon.moc"
