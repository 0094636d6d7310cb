#include "ui/PointSelectWidget.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include "ui/GlobalMouseWidget.h"
#include "ui/PointPickState.h"

PointSelectWidget::PointSelectWidget(QWidget* parent)
    : QWidget(parent), display(new QLineEdit(this)), button(new QPushButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    display->setReadOnly(true);
    display->setFrame(false);
    button->setText(QStringLiteral("..."));
    button->setFixedWidth(30);
    layout->addWidget(display);
    layout->addWidget(button);
    setFocusProxy(button);
    setValue(current);
    connect(button, &QPushButton::clicked, this, &PointSelectWidget::onSelect);
}

PointSelectWidget::~PointSelectWidget() {
    PointPickState::instance().pickerDestroyed(this);
    dropOverlay();
}

void PointSelectWidget::setValue(const QPoint& point) {
    current = point;
    display->setText(QStringLiteral("%1, %2").arg(point.x()).arg(point.y()));
}

void PointSelectWidget::onSelect() {
    PointPickState::instance().start(this);
}

void PointSelectWidget::showOverlay() {
    dropOverlay();
    follower = new GlobalMouseWidget;
    follower->show();
}

void PointSelectWidget::dropOverlay() {
    delete follower;
    follower = nullptr;
}

void PointSelectWidget::finishPick(const QPoint& point) {
    setValue(point);
    emit valueChanged(current);
    dropOverlay();
}
