#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "ErrorPresenter.h"

// Keeps the warnings the model would show in a message box; installed for its
// lifetime so no test ever opens a dialog.
class RecordingPresenter : public ErrorPresenter {
public:
    RecordingPresenter() { ErrorPresenter::install(this); }
    ~RecordingPresenter() override { ErrorPresenter::install(nullptr); }

    void showWarning(const QString& title, const QString& text) override {
        shown.append(qMakePair(title, text));
    }

    // (title, text) of every warning, in order.
    QList<QPair<QString, QString>> shown;
};
