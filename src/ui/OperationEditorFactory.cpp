#include "ui/OperationEditorFactory.h"

#include "ui/KeyInputWidget.h"
#include "ui/PointSelectWidget.h"
#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/TreePropertyBrowser.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

OperationEditorFactory::OperationEditorFactory(QObject* parent) : VariantEditorFactory(parent) {}

QWidget* OperationEditorFactory::createEditor(VariantPropertyManager* manager, Property* property,
                                              QWidget* parent) {
    if (!manager || !manager->owns(property))
        return VariantEditorFactory::createEditor(manager, property, parent);

    // The point row itself; its X and Y sub-rows are integers with spin boxes.
    if (property->valueType() == QVariant::Point) {
        auto* picker = new PointSelectWidget(parent);
        picker->setValue(property->value().toPoint());
        connect(picker, &PointSelectWidget::valueChanged, manager,
                [manager, property](const QPoint& point) {
                    manager->setValue(property, QVariant(point));
                });
        return picker;
    }

    // Chosen by the label, which the keyboard operation's class-info gives its key.
    if (property->propertyName() == QStringLiteral("按键")) {
        auto* keys = new KeyInputWidget(parent);
        keys->setFrame(false);
        keys->setText(property->value().toString());
        TreePropertyBrowser::setEditorTakesAllKeys(keys);
        connect(keys, &KeyInputWidget::keyCaptured, this,
                [this, property](const QString& name, Qt::KeyboardModifiers modifiers) {
                    emit keyCaptured(property, name, modifiers);
                });
        return keys;
    }

    return VariantEditorFactory::createEditor(manager, property, parent);
}
