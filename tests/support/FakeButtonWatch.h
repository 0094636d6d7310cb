#pragma once

#include "platform/ButtonWatch.h"

// Stands in for the desktop's button watch; presses come from the test and, as a real
// watch's, are reported only while installed.
class FakeButtonWatch : public ButtonWatch {
public:
    int installs = 0, removes = 0;
    bool installed = false;
    QString failure;  // non-empty: install fails with it

    bool install(QString* error) override {
        ++installs;
        if (error) *error = failure;
        return installed = failure.isEmpty();
    }
    void remove() override { ++removes, installed = false; }
    bool isInstalled() const override { return installed; }
    void press(Qt::MouseButton button, const QPoint& pos) {
        if (installed) emit buttonPressed(button, pos);
    }
};
