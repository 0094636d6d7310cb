#include "model/ErrorPresenter.h"

#include <atomic>

namespace {
std::atomic<ErrorPresenter*> current{nullptr};
}

void ErrorPresenter::install(ErrorPresenter* presenter) {
    current.store(presenter);
}

ErrorPresenter* ErrorPresenter::installed() {
    return current.load();
}

void ErrorPresenter::warn(const QString& title, const QString& text) {
    if (ErrorPresenter* p = current.load()) p->showWarning(title, text);
}
