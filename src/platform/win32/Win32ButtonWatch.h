#pragma once

#include "platform/ButtonWatch.h"

// The global button watch through the low-level mouse hook.
class Win32ButtonWatch : public ButtonWatch {
    Q_OBJECT
public:
    using ButtonWatch::ButtonWatch;
    ~Win32ButtonWatch() override;

    bool install(QString* error) override;
    void remove() override;
    bool isInstalled() const override;
};
