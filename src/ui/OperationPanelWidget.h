#pragma once

#include <QWidget>

namespace Ui {
class OperationPanelWidgetClass;
}

// The palette page of the operation dock: every registered operation type, grouped
// by category, ready to be dragged onto the operation table.
class OperationPanelWidget : public QWidget {
    Q_OBJECT
public:
    explicit OperationPanelWidget(QWidget* parent = nullptr);
    ~OperationPanelWidget() override;

private:
    Ui::OperationPanelWidgetClass* m_ui;
};
