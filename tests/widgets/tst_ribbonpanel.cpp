// Large buttons of a ribbon panel: they mirror and trigger their actions and are
// drawn as a 32-pixel icon above the action's text, with the caption underneath.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "RibbonBar.h"
#include "RibbonCategory.h"
#include "RibbonPanel.h"

namespace {

QIcon solidIcon(const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.fill(color);
    return QIcon(pixmap);
}

bool isIconRed(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
}

// Text is drawn in greys; the test icons are saturated colours.
bool isGrey(QRgb pixel) {
    return qAbs(qRed(pixel) - qGreen(pixel)) < 24 && qAbs(qGreen(pixel) - qBlue(pixel)) < 24;
}

// Bounding box of the pixels that `match` accepts.
template <typename Match>
QRect boxOf(const QImage& image, Match match) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
    return box;
}

// What the user sees of `widget`: taken from its window, since the ribbon paints
// the background its buttons and captions are drawn on.
QImage shot(QWidget* widget) {
    QWidget* window = widget->window();
    const QRect area(widget->mapTo(window, QPoint()), widget->size());
    return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

// A shown ribbon with one page and one panel, styled as the bar styles it.
struct Fixture {
    RibbonBar bar;
    RibbonPanel* panel;
    Fixture()
        : panel(bar.addCategoryPage(QStringLiteral("开始"))->addPanel(QStringLiteral("文件"))) {}
    QToolButton* add(QAction* action) {
        panel->addLargeAction(action);
        return panel->buttonFor(action);
    }
    bool show() {
        bar.resize(600, bar.sizeHint().height());
        bar.show();
        return QTest::qWaitForWindowExposed(&bar);
    }
};

}  // namespace

class TestRibbonPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei"), 9)); }

    void buttonFollowsAction_data();
    void buttonFollowsAction();
    void clickTriggers_data();
    void clickTriggers();
    void insertAndRemoveKeepOrder();
    void deletedActionLosesItsButton();
    void iconAboveText();
    void disabledButtonIsGreyed();
    void captionCentredUnderButtons();
};

enum class Change { Disable, Enable, Hide, Show, Text, Icon, Checkable };
Q_DECLARE_METATYPE(Change)

void TestRibbonPanel::buttonFollowsAction_data() {
    QTest::addColumn<Change>("change");
    QTest::addColumn<bool>("startEnabled");
    QTest::addColumn<bool>("startVisible");

    QTest::newRow("disable") << Change::Disable << true << true;
    QTest::newRow("enable") << Change::Enable << false << true;
    QTest::newRow("hide") << Change::Hide << true << true;
    QTest::newRow("show") << Change::Show << true << false;
    QTest::newRow("hidden and disabled, then enabled") << Change::Enable << false << false;
    QTest::newRow("text") << Change::Text << true << true;
    QTest::newRow("icon") << Change::Icon << true << true;
    QTest::newRow("checkable") << Change::Checkable << true << true;
}

void TestRibbonPanel::buttonFollowsAction() {
    QFETCH(Change, change);
    QFETCH(bool, startEnabled);
    QFETCH(bool, startVisible);

    Fixture f;
    auto* other = new QAction(solidIcon(Qt::blue), QStringLiteral("基本信息"), &f.bar);
    auto* action = new QAction(solidIcon(Qt::red), QStringLiteral("保存"), &f.bar);
    action->setEnabled(startEnabled);
    action->setVisible(startVisible);
    QToolButton* neighbour = f.add(other);
    QToolButton* button = f.add(action);
    QVERIFY(f.show());
    // A hidden QAction also reports itself disabled; the button goes by the action.
    QCOMPARE(button->isEnabled(), action->isEnabled());
    QCOMPARE(button->isVisible(), startVisible);

    const QIcon green = solidIcon(Qt::green);
    switch (change) {
        case Change::Disable:
            action->setEnabled(false);
            break;
        case Change::Enable:
            action->setEnabled(true);
            break;
        case Change::Hide:
            action->setVisible(false);
            break;
        case Change::Show:
            action->setVisible(true);
            break;
        case Change::Text:
            action->setText(QStringLiteral("另存为"));
            break;
        case Change::Icon:
            action->setIcon(green);
            break;
        case Change::Checkable:
            action->setCheckable(true);
            action->setChecked(true);
            break;
    }

    QCOMPARE(button->isEnabled(), action->isEnabled());
    QCOMPARE(button->isVisible(), action->isVisible());
    QCOMPARE(button->text(), action->text());
    QCOMPARE(button->icon().cacheKey(), action->icon().cacheKey());
    QCOMPARE(button->isChecked(), action->isChecked());
    // The other button is never affected.
    QVERIFY(neighbour->isVisible());
    QVERIFY(neighbour->isEnabled());
    QCOMPARE(neighbour->text(), QStringLiteral("基本信息"));
    // Text, icon and visibility changes resize the button; the layout must follow.
    QApplication::processEvents();
    if (action->isVisible()) {
        QVERIFY(button->width() >= button->sizeHint().width());
        QVERIFY(!button->geometry().intersects(neighbour->geometry()));
    }
}

void TestRibbonPanel::clickTriggers_data() {
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("triggers");

    QTest::newRow("enabled") << true << 1;
    QTest::newRow("disabled") << false << 0;
}

void TestRibbonPanel::clickTriggers() {
    QFETCH(bool, enabled);
    QFETCH(int, triggers);

    Fixture f;
    auto* action = new QAction(solidIcon(Qt::red), QStringLiteral("启/停[F8]"), &f.bar);
    auto* other = new QAction(QStringLiteral("基本信息"), &f.bar);
    action->setEnabled(enabled);
    f.add(other);
    QToolButton* button = f.add(action);
    QVERIFY(f.show());
    QSignalSpy triggered(action, &QAction::triggered);
    QSignalSpy otherTriggered(other, &QAction::triggered);

    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    QCOMPARE(triggered.size(), triggers);
    QCOMPARE(otherTriggered.size(), 0);
}

void TestRibbonPanel::insertAndRemoveKeepOrder() {
    Fixture f;
    QAction a(QStringLiteral("甲"), nullptr), b(QStringLiteral("乙"), nullptr),
        c(QStringLiteral("丙"), nullptr);
    f.add(&a);
    f.add(&c);
    f.panel->insertAction(&c, &b);  // plain QWidget calls get large buttons too
    QVERIFY(f.show());
    QCOMPARE(f.panel->actions(), (QList<QAction*>{&a, &b, &c}));
    QVERIFY(f.panel->buttonFor(&b));
    QVERIFY(f.panel->buttonFor(&a)->x() < f.panel->buttonFor(&b)->x());
    QVERIFY(f.panel->buttonFor(&b)->x() < f.panel->buttonFor(&c)->x());

    f.panel->removeAction(&b);
    QCOMPARE(f.panel->actions(), (QList<QAction*>{&a, &c}));
    QVERIFY(!f.panel->buttonFor(&b));
    QCOMPARE(f.panel->findChildren<QToolButton*>().size(), 2);
}

void TestRibbonPanel::deletedActionLosesItsButton() {
    Fixture f;
    auto* doomed = new QAction(QStringLiteral("保存"), nullptr);
    QAction kept(QStringLiteral("基本信息"), nullptr);
    QPointer<QToolButton> button = f.add(doomed);
    f.add(&kept);
    QVERIFY(f.show());

    delete doomed;
    QVERIFY(button.isNull());
    QCOMPARE(f.panel->actions(), QList<QAction*>{&kept});
    QCOMPARE(f.panel->findChildren<QToolButton*>().size(), 1);
    f.bar.repaint();  // nothing left pointing at the deleted action
}

void TestRibbonPanel::iconAboveText() {
    Fixture f;
    QToolButton* button =
        f.add(new QAction(solidIcon(Qt::red), QStringLiteral("基本信息"), &f.bar));
    QVERIFY(f.show());
    QCOMPARE(button->iconSize(), QSize(32, 32));
    QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);

    // Read it off the screen: the icon is drawn unscaled and centred, the text
    // (dark pixels) lies wholly below it.
    const QImage image = shot(button);
    const QRect icon = boxOf(image, isIconRed);
    QCOMPARE(icon.size(), QSize(32, 32));
    QVERIFY2(qAbs(icon.center().x() - image.width() / 2) <= 2, "icon centred");
    const QRect text = boxOf(image, [](QRgb p) { return isGrey(p) && qGray(p) < 100; });
    QVERIFY(text.isValid());
    QVERIFY(text.top() > icon.bottom());
    QVERIFY(text.height() >= 6);  // legible glyphs, not a clipped sliver
    QVERIFY(text.bottom() < image.height());
    QVERIFY2(qAbs(text.center().x() - icon.center().x()) <= 3, "text centred under icon");
    QVERIFY(button->width() >= text.width());
}

void TestRibbonPanel::disabledButtonIsGreyed() {
    Fixture f;
    auto* enabled = new QAction(solidIcon(Qt::red), QStringLiteral("保存"), &f.bar);
    auto* disabled = new QAction(solidIcon(Qt::red), QStringLiteral("保存"), &f.bar);
    disabled->setEnabled(false);
    QToolButton* live = f.add(enabled);
    QToolButton* grey = f.add(disabled);
    QVERIFY(f.show());

    const QImage liveImage = shot(live);
    const QImage greyImage = shot(grey);
    const QRect icon = boxOf(liveImage, isIconRed);
    QVERIFY(icon.isValid());
    QVERIFY2(!boxOf(greyImage, isIconRed).isValid(), "a disabled icon loses its colour");
    // The text is drawn, but lighter than the enabled button's.
    auto darkest = [&icon](const QImage& image) {
        int gray = 255;
        for (int y = icon.bottom() + 1; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) gray = qMin(gray, qGray(image.pixel(x, y)));
        return gray;
    };
    QVERIFY(darkest(liveImage) < 100);
    QVERIFY(darkest(greyImage) > darkest(liveImage) + 40);
    QVERIFY(darkest(greyImage) < 220);
}

void TestRibbonPanel::captionCentredUnderButtons() {
    Fixture f;
    QToolButton* first = f.add(new QAction(solidIcon(Qt::red), QStringLiteral("默认布局"), &f.bar));
    f.add(new QAction(solidIcon(Qt::red), QStringLiteral("操作窗口"), &f.bar));
    QToolButton* last = f.add(new QAction(solidIcon(Qt::red), QStringLiteral("属性窗口"), &f.bar));
    QVERIFY(f.show());

    auto* caption = f.panel->findChild<QLabel*>();
    QVERIFY(caption);
    QCOMPARE(f.panel->title(), QStringLiteral("文件"));
    QCOMPARE(caption->text(), QStringLiteral("文件"));
    QVERIFY(caption->isVisible());
    QVERIFY(caption->geometry().top() > first->geometry().bottom());
    QVERIFY(caption->geometry().bottom() <= f.panel->height());
    const int buttonsCentre = (first->geometry().left() + last->geometry().right()) / 2;
    // The caption's glyphs, not just its label box, sit under the middle of the buttons.
    const QImage image = shot(caption);
    const QRect glyphs = boxOf(image, [](QRgb p) { return qGray(p) < 180; });
    QVERIFY(glyphs.isValid());
    QVERIFY(qAbs(caption->x() + glyphs.center().x() - buttonsCentre) <= 3);
}

QTEST_MAIN(TestRibbonPanel)
#include "tst_ribbonpanel.moc"
