#include "widgets/ribbon/RibbonBar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "widgets/ribbon/RibbonCategory.h"

namespace {

// A light, neutral palette: the tab row blends into a default window, the page
// is a shade lighter and the current tab merges into it.
const QColor kTabRowColor(0xf0, 0xf0, 0xf0);
const QColor kPageColor(0xfa, 0xfa, 0xfa);
const QColor kLineColor(0xd2, 0xd2, 0xd2);

const char* const kStyleSheet = R"(
QTabBar#ribbonTabs { background: transparent; }
QTabBar#ribbonTabs::tab {
    color: #444444;
    background: transparent;
    border: 1px solid transparent;
    border-bottom: none;
    padding: 3px 14px 4px 14px;
    margin-top: 2px;
    min-width: 36px;
}
QTabBar#ribbonTabs::tab:hover:!selected { color: #1c5a9e; background: #f7f7f7; }
QTabBar#ribbonTabs::tab:selected {
    color: #1c5a9e;
    background: #fafafa;
    border-color: #d2d2d2;
    border-top-left-radius: 2px;
    border-top-right-radius: 2px;
}
QToolButton#ribbonLargeButton {
    color: #262626;
    background: transparent;
    border: 1px solid transparent;
    border-radius: 2px;
    padding: 2px 4px 1px 4px;
}
QToolButton#ribbonLargeButton:hover { background: #e1ecf9; border-color: #a9c8ef; }
QToolButton#ribbonLargeButton:pressed,
QToolButton#ribbonLargeButton:checked { background: #c6dcf6; border-color: #86b2e6; }
QToolButton#ribbonLargeButton:disabled { color: #a6a6a6; }
QLabel#ribbonPanelCaption { color: #6a6a6a; }
QFrame#ribbonSeparator { background: #dadada; border: none; }
)";

}  // namespace

RibbonBar::RibbonBar(QWidget* parent)
    : QWidget(parent), m_tabs(new QTabBar(this)), m_pages(new QStackedWidget(this)) {
    setObjectName(QStringLiteral("ribbonBar"));
    setStyleSheet(QString::fromLatin1(kStyleSheet));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    m_tabs->setObjectName(QStringLiteral("ribbonTabs"));
    m_tabs->setDrawBase(false);
    m_tabs->setExpanding(false);
    m_tabs->setFocusPolicy(Qt::NoFocus);
    m_pages->setObjectName(QStringLiteral("ribbonPages"));

    auto* tabRow = new QHBoxLayout;
    tabRow->setContentsMargins(6, 0, 6, 0);
    tabRow->addWidget(m_tabs);
    tabRow->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 1);  // the bottom line is painted below the page
    layout->setSpacing(0);
    layout->addLayout(tabRow);
    layout->addWidget(m_pages);

    connect(m_tabs, &QTabBar::currentChanged, this, &RibbonBar::onTabChanged);
}

RibbonCategory* RibbonBar::addCategoryPage(const QString& title) {
    auto* page = new RibbonCategory(title, m_pages);
    m_pages->addWidget(page);
    // The first tab makes the tab bar emit currentChanged(0), which shows the page.
    m_tabs->addTab(title);
    return page;
}

int RibbonBar::categoryCount() const {
    return m_pages->count();
}

RibbonCategory* RibbonBar::category(int index) const {
    return qobject_cast<RibbonCategory*>(m_pages->widget(index));
}

int RibbonBar::currentIndex() const {
    return m_pages->currentIndex();
}

void RibbonBar::setCurrentIndex(int index) {
    if (index >= 0 && index < m_tabs->count()) m_tabs->setCurrentIndex(index);
}

void RibbonBar::onTabChanged(int index) {
    if (index < 0) return;
    m_pages->setCurrentIndex(index);
    update();
    emit currentChanged(index);
}

void RibbonBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect page = m_pages->geometry();
    painter.fillRect(QRect(0, 0, width(), page.top()), kTabRowColor);
    painter.fillRect(QRect(0, page.top(), width(), height() - page.top()), kPageColor);
    painter.setPen(kLineColor);
    // The line under the tabs runs through the tab bar's last row, where the
    // current tab paints over it and so opens onto its page.
    const int tabLine = m_tabs->geometry().bottom();
    painter.drawLine(0, tabLine, width() - 1, tabLine);
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}
