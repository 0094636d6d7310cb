#include "ui/OperationPanelWidget.h"

#include "model/OperationFactory.h"
#include "ui_OperationPanelWidget.h"

OperationPanelWidget::OperationPanelWidget(QWidget* parent)
    : QWidget(parent), m_ui(new Ui::OperationPanelWidgetClass) {
    m_ui->setupUi(this);
    // Built once: types registered later do not appear.
    m_ui->opTree->populate(OperationFactory::instance()->prototypes());
}

OperationPanelWidget::~OperationPanelWidget() {
    delete m_ui;
}
