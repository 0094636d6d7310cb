#include "ui/PropertyPanelWidget.h"

#include "model/Operation.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui_PropertyPanelWidget.h"

PropertyPanelWidget::PropertyPanelWidget(QWidget* parent)
    : QWidget(parent), m_ui(new Ui::PropertyPanelWidgetClass) {
    m_ui->setupUi(this);
}

PropertyPanelWidget::~PropertyPanelWidget() {
    delete m_ui;
}

AutoPropertyBrowser* PropertyPanelWidget::propertyBrowser() const {
    return m_ui->propertyBrowser;
}

void PropertyPanelWidget::setOperation(Operation* operation) {
    m_ui->propertyBrowser->setObject(operation);
}
