#pragma once

#include "widgets/propertybrowser/TreePropertyBrowser.h"

// The property grid of the designer; it only adds a way to name its two columns.
class OperationPropertyBrowser : public TreePropertyBrowser {
    Q_OBJECT
public:
    explicit OperationPropertyBrowser(QWidget* parent = nullptr);

public slots:
    // Names the columns of the first tree widget inside the grid, `prop` first.
    void setHeaderLabels(const QString& prop, const QString& value);
};
