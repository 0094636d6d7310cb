#include "widgets/ribbon/RibbonCategory.h"

#include <QFrame>
#include <QHBoxLayout>

#include "widgets/ribbon/RibbonPanel.h"

RibbonCategory::RibbonCategory(const QString& title, QWidget* parent)
    : QWidget(parent), m_title(title), m_layout(new QHBoxLayout(this)) {
    m_layout->setContentsMargins(4, 3, 4, 3);
    m_layout->setSpacing(0);
    // Panels pack to the left; the stretch takes whatever width is left over.
    m_layout->addStretch();
}

RibbonPanel* RibbonCategory::addPanel(const QString& title) {
    // Insert before the trailing stretch.
    int at = m_layout->count() - 1;
    if (!m_panels.isEmpty()) {
        auto* separator = new QFrame(this);
        separator->setObjectName(QStringLiteral("ribbonSeparator"));
        separator->setFrameShape(QFrame::NoFrame);
        separator->setFixedWidth(1);
        m_layout->insertWidget(at++, separator);
    }
    auto* panel = new RibbonPanel(title, this);
    m_layout->insertWidget(at, panel);
    m_panels.append(panel);
    return panel;
}
