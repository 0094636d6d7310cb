#include "ui/PointSelectWidget.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "ui/GlobalMouseWidget.h"
#include "ui/PointPickState.h"

PointSelectWidget::PointSelectWidget(QWidget* parent)
    : QWidget(parent), m_display(new QLineEdit(this)), m_button(new QPushButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_display->setReadOnly(true);
    m_display->setFrame(false);
    m_button->setText(QStringLiteral("..."));
    m_button->setFixedWidth(30);
    layout->addWidget(m_display);
    layout->addWidget(m_button);
    setFocusProxy(m_button);
    setValue(m_value);
    connect(m_button, &QPushButton::clicked, this, &PointSelectWidget::onSelect);
}

PointSelectWidget::~PointSelectWidget() {
    PointPickState::instance().pickerDestroyed(this);
    dropOverlay();
}

void PointSelectWidget::setValue(const QPoint& point) {
    m_value = point;
    m_display->setText(QStringLiteral("%1, %2").arg(point.x()).arg(point.y()));
}

void PointSelectWidget::onSelect() {
    PointPickState::instance().start(this);
}

void PointSelectWidget::showOverlay() {
    dropOverlay();
    m_overlay = new GlobalMouseWidget;
    m_overlay->show();
}

void PointSelectWidget::dropOverlay() {
    delete m_overlay;
    m_overlay = nullptr;
}

void PointSelectWidget::finishPick(const QPoint& point) {
    setValue(point);
    emit valueChanged(m_value);
    dropOverlay();
}
