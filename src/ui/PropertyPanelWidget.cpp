#include "ui/PropertyPanelWidget.h"

#include "model/Operation.h"
#include "ui/AutoPropertyBrowser.h"
#include "ui_PropertyPanelWidget.h"

PropertyPanelWidget::PropertyPanelWidget(QWidget* parent)
    : QWidget(parent), ui(new Ui::PropertyPanelWidgetClass) {
    ui->setupUi(this);
}

PropertyPanelWidget::~PropertyPanelWidget() {
    delete ui;
}

AutoPropertyBrowser* PropertyPanelWidget::propertyBrowser() const {
    return ui->propertyBrowser;
}

void PropertyPanelWidget::setOperation(Operation* operation) {
    ui->propertyBrowser->setObject(operation);
}
