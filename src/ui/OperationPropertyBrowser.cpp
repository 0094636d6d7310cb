#include "ui/OperationPropertyBrowser.h"

#include <QTreeWidget>

OperationPropertyBrowser::OperationPropertyBrowser(QWidget* parent) : TreePropertyBrowser(parent) {}

void OperationPropertyBrowser::setHeaderLabels(const QString& prop, const QString& value) {
    if (auto* tree = findChild<QTreeWidget*>()) tree->setHeaderLabels({prop, value});
}
