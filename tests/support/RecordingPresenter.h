#pragma once

#include <QStringList>

#include "model/ErrorPresenter.h"

// Keeps the warnings the model would show in a message box ("title|text"), so no test
// opens one; installed while it lives.
class RecordingPresenter : public ErrorPresenter {
public:
    RecordingPresenter() { ErrorPresenter::install(this); }
    ~RecordingPresenter() override { ErrorPresenter::install(nullptr); }
    void showWarning(const QString& title, const QString& text) override {
        shown << title + '|' + text;
    }
    QStringList shown;
};
