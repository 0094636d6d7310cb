#include "widgets/ribbon/RibbonPanel.h"

#include <QAction>
#include <QActionEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QSize kLargeIconSize(32, 32);
}

RibbonPanel::RibbonPanel(const QString& title, QWidget* parent)
    : QWidget(parent), m_buttonRow(new QHBoxLayout), m_caption(new QLabel(title, this)) {
    m_caption->setObjectName(QStringLiteral("ribbonPanelCaption"));
    m_caption->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);

    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->setSpacing(2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(1);
    layout->addLayout(m_buttonRow);
    layout->addStretch();
    layout->addWidget(m_caption);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
}

QString RibbonPanel::title() const {
    return m_caption->text();
}

void RibbonPanel::addLargeAction(QAction* action) {
    // The button itself is made when the action arrives (see actionEvent), so a
    // plain QWidget::addAction or insertAction shows up the same way.
    addAction(action);
}

void RibbonPanel::addWidget(QWidget* widget) {
    m_buttonRow->addWidget(widget);
}

void RibbonPanel::actionEvent(QActionEvent* event) {
    QAction* action = event->action();
    switch (event->type()) {
        case QEvent::ActionAdded: {
            auto* button = new QToolButton(this);
            button->setObjectName(QStringLiteral("ribbonLargeButton"));
            button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            button->setIconSize(kLargeIconSize);
            button->setAutoRaise(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
            // The default action keeps text, icon, tool tip, enabled and checked
            // state in step and makes a click trigger the action.
            button->setDefaultAction(action);
            button->setVisible(action->isVisible());
            // Buttons sit in the order of actions(), which already holds this one.
            m_buttonRow->insertWidget(actions().indexOf(action), button);
            m_buttons.insert(action, button);
            break;
        }
        case QEvent::ActionChanged:
            // Visibility is the one property the default action does not carry over.
            if (QToolButton* button = m_buttons.value(action))
                button->setVisible(action->isVisible());
            break;
        case QEvent::ActionRemoved:
            delete m_buttons.take(action);
            break;
        default:
            break;
    }
    QWidget::actionEvent(event);
}
