#include "ui/MessageBoxPresenter.h"

#include <QMessageBox>

void MessageBoxPresenter::showWarning(const QString& title, const QString& text) {
    QMessageBox::warning(nullptr, title, text, QMessageBox::Ok);
}
