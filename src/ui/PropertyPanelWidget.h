#pragma once

#include <QWidget>

class AutoPropertyBrowser;
class Operation;

namespace Ui {
class PropertyPanelWidgetClass;
}

// The page of the property dock: the grid of the selected operation, or of the flow
// when the main window shows it there.
class PropertyPanelWidget : public QWidget {
    Q_OBJECT
public:
    explicit PropertyPanelWidget(QWidget* parent = nullptr);
    ~PropertyPanelWidget() override;

    AutoPropertyBrowser* propertyBrowser() const;

public slots:
    // Shows `operation`; null (no row selected) empties the grid.
    void setOperation(Operation* operation);

private:
    Ui::PropertyPanelWidgetClass* m_ui;
};
