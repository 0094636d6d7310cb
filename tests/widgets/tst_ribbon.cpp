// The ribbon: pages, panels and large buttons keep the order they were added in,
// tabs switch pages, buttons show the icon above the text, and the bar takes the
// menu bar's place.
#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QToolButton>

#include "widgets/ribbon/RibbonBar.h"
#include "widgets/ribbon/RibbonCategory.h"
#include "widgets/ribbon/RibbonMainWindow.h"
#include "widgets/ribbon/RibbonPanel.h"

namespace {
// A ribbon described as lines "page>panel>action|action"; lines naming the last page
// again add to it. Every action has a red 32 px icon.
void build(RibbonBar* bar, const QStringList& lines) {
    QPixmap red(32, 32);
    red.fill(Qt::red);
    for (const QString& line : lines) {
        const QStringList parts = line.split('>');
        const int last = bar->categoryCount() - 1;
        RibbonCategory* page = last >= 0 && bar->category(last)->title() == parts[0]
                                   ? bar->category(last)
                                   : bar->addCategoryPage(parts[0]);
        RibbonPanel* panel = page->addPanel(parts[1]);
        for (const QString& text : parts[2].split('|', Qt::SkipEmptyParts))
            panel->addLargeAction(new QAction(QIcon(red), text, bar));
    }
    bar->resize(800, bar->sizeHint().height());
    bar->show();
}

// Bounding box of the pixels of `widget`, as its window shows it, that `match` accepts.
template <typename Match>
QRect boxOf(QWidget* widget, Match match) {
    const QRect area(widget->mapTo(widget->window(), QPoint()), widget->size());
    const QImage image = widget->window()->grab(area).toImage();
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}
}  // namespace

class TestRibbon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei"), 9)); }

    // Read back in the same notation: panels and buttons run left to right in the order
    // added, with one thin line in each gap between panels.
    void structure() {
        const QStringList lines{"开始>文件>保存|基本信息", "开始>空>", "开始>调试>启/停",
                                "视图>界面布局>默认布局|操作窗口|属性窗口"};
        RibbonBar bar;
        build(&bar, lines);
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QStringList shown;
        for (int p = 0; p < bar.categoryCount(); ++p) {
            RibbonCategory* page = bar.category(p);
            QCOMPARE(bar.findChild<QTabBar*>()->tabText(p), page->title());
            bar.setCurrentIndex(p);  // lays the page out, so positions can be compared
            const auto separators = page->findChildren<QFrame*>("ribbonSeparator");
            QCOMPARE(separators.size(), page->panels().size() - 1);
            int right = -1;
            for (RibbonPanel* panel : page->panels()) {
                int inGap = 0;
                for (QFrame* s : separators)
                    inGap += s->x() > right && s->geometry().right() < panel->x() &&
                             s->width() <= 2 && s->height() > page->height() / 2;
                QCOMPARE(inGap, right < 0 ? 0 : 1);
                QStringList texts;
                for (QAction* action : panel->actions()) {
                    QToolButton* button = panel->buttonFor(action);
                    const QRect shownAt(button->mapTo(page, QPoint()), button->size());
                    QVERIFY(shownAt.left() > right);
                    right = shownAt.right();
                    texts << button->text();
                }
                QVERIFY(panel->geometry().right() >= right);
                right = panel->geometry().right();
                shown << page->title() + '>' + panel->title() + '>' + texts.join('|');
            }
        }
        QCOMPARE(shown, lines);
    }

    void tabClickShowsItsPage() {
        RibbonBar bar;
        build(&bar, {"开始>文件>保存", "视图>界面布局>默认布局", "帮助>关于>关于"});
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QSignalSpy changed(&bar, &RibbonBar::currentChanged);
        auto* tabs = bar.findChild<QTabBar*>();
        for (int click = 0; click < 2; ++click)  // the second click is on the current tab
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(bar.currentIndex(), 1);
        QCOMPARE(changed.size(), 1);
        QVERIFY(bar.category(1)->isVisible() && !bar.category(0)->isVisible());
    }

    // The bar sits where a menu bar sits, across the window; tabs plus a page of large
    // buttons with captions, and no taller, so the table keeps its room.
    void mainWindowHoldsTheBarOnTop() {
        RibbonMainWindow window;
        RibbonBar* bar = window.ribbonBar();
        QCOMPARE(window.menuWidget(), bar);
        build(bar, {"开始>文件>保存|基本信息", "视图>界面布局>默认布局"});
        window.resize(900, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(bar->geometry().topLeft(), QPoint(0, 0));
        QCOMPARE(bar->width(), window.width());
        QVERIFY2(bar->height() >= 90 && bar->height() <= 130,
                 qPrintable(QString::number(bar->height())));
    }

    // Read off the screen: the icon unscaled and centred, the text wholly below it, the
    // caption below the buttons.
    void iconAboveTextAndCaptionBelow() {
        RibbonBar bar;
        build(&bar, {"开始>文件>基本信息"});
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        RibbonPanel* panel = bar.category(0)->panels().first();
        QToolButton* button = panel->buttonFor(panel->actions().first());
        const QRect icon =
            boxOf(button, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60; });
        QCOMPARE(icon.size(), QSize(32, 32));
        QVERIFY(qAbs(icon.center().x() - button->width() / 2) <= 2);
        // Dark grey: the text, not the icon.
        const QRect text =
            boxOf(button, [](QRgb p) { return qAbs(qRed(p) - qBlue(p)) < 24 && qGray(p) < 100; });
        QVERIFY(text.top() > icon.bottom());
        QVERIFY(text.height() >= 6);  // legible glyphs, not a clipped sliver
        QVERIFY(qAbs(text.center().x() - icon.center().x()) <= 3);
        auto* caption = panel->findChild<QLabel*>();
        QCOMPARE(caption->text(), QString("文件"));
        QVERIFY(caption->geometry().top() > button->geometry().bottom());
        QVERIFY(caption->geometry().bottom() <= panel->height());
    }
};

QTEST_MAIN(TestRibbon)
#include "tst_ribbon.moc"
