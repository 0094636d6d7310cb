#pragma once

#include "model/ErrorPresenter.h"

// Shows the model's file errors in the designer as a warning message box.
class MessageBoxPresenter : public ErrorPresenter {
public:
    void showWarning(const QString& title, const QString& text) override;
};
