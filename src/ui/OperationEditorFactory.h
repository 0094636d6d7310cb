#pragma once

#include "widgets/propertybrowser/VariantEditorFactory.h"

// The editors of the designer's property grid: the screen point picker for point
// rows, key capture for the row labelled "按键", the standard editors otherwise.
// A captured key is reported with the modifiers held with it, for the grid to set
// both at once.
class OperationEditorFactory : public VariantEditorFactory {
    Q_OBJECT
public:
    explicit OperationEditorFactory(QObject* parent = nullptr);

    QWidget* createEditor(VariantPropertyManager* manager, Property* property,
                          QWidget* parent) override;

signals:
    void keyCaptured(Property* keyRow, const QString& name, Qt::KeyboardModifiers modifiers);
};
