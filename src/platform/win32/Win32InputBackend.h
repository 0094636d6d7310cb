#pragma once

#include "platform/InputBackend.h"

// Injects input records with SendInput; they are already shaped after its INPUT.
class Win32InputBackend : public InputBackend {
public:
    QSize screenSize() override;

protected:
    bool inject(const InputBatch& batch) override;
};
