#include "ui/OperationPanelWidget.h"

#include "model/OperationFactory.h"
#include "ui_OperationPanelWidget.h"

OperationPanelWidget::OperationPanelWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::OperationPanelWidgetClass) {
    ui->setupUi(this);
    // Built once: types registered later do not appear.
    ui->opTree->populate(OperationFactory::instance()->prototypes());
}

OperationPanelWidget::~OperationPanelWidget() {
    delete ui;
}
