// The ribbon bar and its main window: pages, panels and actions keep the order they
// were added in, tabs switch pages, and the bar takes the menu bar's place.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QPixmap>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "RibbonBar.h"
#include "RibbonCategory.h"
#include "RibbonMainWindow.h"
#include "RibbonPanel.h"

namespace {

QIcon largeIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::darkCyan);
    return QIcon(pixmap);
}

// A ribbon described as lines "page>panel>action|action"; a line may stop after the
// page or the panel, and lines naming the last page again add to it.
void build(RibbonBar* bar, const QStringList& lines, QObject* actionParent) {
    for (const QString& line : lines) {
        const QStringList parts = line.split(QLatin1Char('>'));
        RibbonCategory* page = nullptr;
        const int last = bar->categoryCount() - 1;
        if (last >= 0 && bar->category(last)->title() == parts[0])
            page = bar->category(last);
        else
            page = bar->addCategoryPage(parts[0]);
        if (parts.size() < 2) continue;
        RibbonPanel* panel = page->addPanel(parts[1]);
        if (parts.size() < 3 || parts[2].isEmpty()) continue;
        for (const QString& text : parts[2].split(QLatin1Char('|')))
            panel->addLargeAction(new QAction(largeIcon(), text, actionParent));
    }
}

const QStringList kDesignerRibbon = {
    QStringLiteral("开始>文件>保存|基本信息"),
    QStringLiteral("开始>调试>启/停[F8]"),
    QStringLiteral("视图>界面布局>默认布局|操作窗口|属性窗口"),
};

// The bar read back in the same notation.
QStringList dump(const RibbonBar* bar) {
    QStringList lines;
    for (int p = 0; p < bar->categoryCount(); ++p) {
        const RibbonCategory* page = bar->category(p);
        if (page->panels().isEmpty()) lines << page->title();
        for (const RibbonPanel* panel : page->panels()) {
            QStringList texts;
            for (const QAction* action : panel->actions()) texts << action->text();
            lines << page->title() + QLatin1Char('>') + panel->title() + QLatin1Char('>') +
                         texts.join(QLatin1Char('|'));
        }
    }
    return lines;
}

QList<QFrame*> separatorsOf(RibbonCategory* page) {
    return page->findChildren<QFrame*>(QStringLiteral("ribbonSeparator"));
}

}  // namespace

class TestRibbonBar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei"), 9)); }

    void structure_data();
    void structure();
    void tabClickShowsItsPage_data();
    void tabClickShowsItsPage();
    void setCurrentIndexIgnoresUnknownPages_data();
    void setCurrentIndexIgnoresUnknownPages();
    void mainWindowHoldsBarAsMenuWidget();
    void compactHeight();
};

void TestRibbonBar::structure_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("pages");

    QTest::newRow("empty bar") << QStringList() << QStringList();
    QTest::newRow("page without panels") << QStringList{"开始"} << QStringList{"开始"};
    QTest::newRow("panel without actions") << QStringList{"开始>文件>"} << QStringList{"开始"};
    QTest::newRow("designer ribbon") << kDesignerRibbon << QStringList{"开始", "视图"};
    QTest::newRow("four panels on one page")
        << QStringList{"a>p1>x", "a>p2>y|z", "a>p3>", "a>p4>w"} << QStringList{"a"};
    QTest::newRow("pages with equal panel names")
        << QStringList{"一>文件>甲", "二>文件>乙"} << QStringList{"一", "二"};
}

void TestRibbonBar::structure() {
    QFETCH(QStringList, lines);
    QFETCH(QStringList, pages);

    RibbonBar bar;
    build(&bar, lines, &bar);
    bar.resize(1000, bar.sizeHint().height());
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));

    QCOMPARE(dump(&bar), lines);
    auto* tabs = bar.findChild<QTabBar*>();
    QVERIFY(tabs);
    QCOMPARE(tabs->count(), pages.size());
    for (int p = 0; p < pages.size(); ++p) QCOMPARE(tabs->tabText(p), pages[p]);
    QCOMPARE(bar.currentIndex(), pages.isEmpty() ? -1 : 0);
    QVERIFY(!bar.category(pages.size()));
    QVERIFY(!bar.category(-1));

    for (int p = 0; p < pages.size(); ++p) {
        RibbonCategory* page = bar.category(p);
        bar.setCurrentIndex(p);  // lays the page out, so positions can be compared
        const QList<RibbonPanel*> panels = page->panels();

        // Panels and the buttons in each run left to right in the order added.
        int panelRight = -1;
        for (RibbonPanel* panel : panels) {
            QVERIFY(panel->x() > panelRight);
            panelRight = panel->geometry().right();
            int buttonRight = -1;
            for (QAction* action : panel->actions()) {
                QToolButton* button = panel->buttonFor(action);
                QVERIFY(button);
                QCOMPARE(button->text(), action->text());
                QVERIFY(button->x() > buttonRight);
                buttonRight = button->geometry().right();
            }
        }

        // Exactly one thin line in each gap between neighbouring panels.
        const QList<QFrame*> separators = separatorsOf(page);
        QCOMPARE(separators.size(), qMax(0, panels.size() - 1));
        for (int gap = 0; gap + 1 < panels.size(); ++gap) {
            const int left = panels[gap]->geometry().right();
            const int right = panels[gap + 1]->x();
            int inGap = 0;
            for (QFrame* separator : separators) {
                if (separator->x() > left && separator->geometry().right() < right) {
                    ++inGap;
                    QVERIFY(separator->width() <= 2);
                    QVERIFY(separator->height() > page->height() / 2);
                }
            }
            QCOMPARE(inGap, 1);
        }
    }
}

void TestRibbonBar::tabClickShowsItsPage_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("expectedSignals");

    QTest::newRow("second page") << 1 << 1;
    QTest::newRow("third page") << 2 << 1;
    QTest::newRow("current page again") << 0 << 0;
}

void TestRibbonBar::tabClickShowsItsPage() {
    QFETCH(int, target);
    QFETCH(int, expectedSignals);

    RibbonBar bar;
    build(&bar, {"开始>文件>保存", "视图>界面布局>默认布局", "帮助>关于>关于"}, &bar);
    bar.resize(800, bar.sizeHint().height());
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QSignalSpy changed(&bar, &RibbonBar::currentChanged);

    auto* tabs = bar.findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(target).center());

    QCOMPARE(bar.currentIndex(), target);
    QCOMPARE(changed.size(), expectedSignals);
    if (expectedSignals) QCOMPARE(changed.first().first().toInt(), target);
    for (int i = 0; i < bar.categoryCount(); ++i) {
        QCOMPARE(bar.category(i)->isVisible(), i == target);
        // A shown page's buttons are the ones a user can reach.
        QToolButton* button = bar.category(i)->panels().first()->findChild<QToolButton*>();
        QCOMPARE(button->isVisible(), i == target);
    }
}

void TestRibbonBar::setCurrentIndexIgnoresUnknownPages_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expected");

    QTest::newRow("last page") << 1 << 1;
    QTest::newRow("negative") << -1 << 0;
    QTest::newRow("one past the end") << 2 << 0;
    QTest::newRow("far past the end") << 99 << 0;
}

void TestRibbonBar::setCurrentIndexIgnoresUnknownPages() {
    QFETCH(int, index);
    QFETCH(int, expected);

    RibbonBar bar;
    build(&bar, kDesignerRibbon, &bar);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    bar.setCurrentIndex(index);
    QCOMPARE(bar.currentIndex(), expected);
    QVERIFY(bar.category(expected)->isVisible());
    QCOMPARE(bar.findChild<QTabBar*>()->currentIndex(), expected);
}

void TestRibbonBar::mainWindowHoldsBarAsMenuWidget() {
    RibbonMainWindow window;
    RibbonBar* bar = window.ribbonBar();
    QVERIFY(bar);
    QCOMPARE(window.menuWidget(), bar);
    QCOMPARE(bar->parentWidget(), &window);
    build(bar, kDesignerRibbon, &window);
    auto* central = new QWidget;
    window.setCentralWidget(central);
    window.resize(900, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Full width across the top, with the window's content below it.
    QCOMPARE(bar->geometry().top(), 0);
    QCOMPARE(bar->width(), window.width());
    QVERIFY(central->geometry().top() >= bar->geometry().bottom());
    QCOMPARE(bar->height(), bar->sizeHint().height());
}

void TestRibbonBar::compactHeight() {
    RibbonMainWindow window;
    build(window.ribbonBar(), kDesignerRibbon, &window);
    window.resize(900, 500);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Tabs plus a page of large buttons with captions; more would crowd the table.
    const int height = window.ribbonBar()->height();
    QVERIFY2(height >= 90 && height <= 130, qPrintable(QString::number(height)));
    // Growing the window gives the extra room to the content, never to the ribbon.
    window.resize(900, 700);
    QTRY_COMPARE(window.ribbonBar()->height(), height);
}

QTEST_MAIN(TestRibbonBar)
#include "tst_ribbonbar.moc"
