#pragma once

#include "model/MouseOperation.h"

// Moves the pointer to `position`.
class MouseMoveOperation : public MouseOperation {
    Q_OBJECT
public:
    explicit MouseMoveOperation(QObject* parent = nullptr);

    QString category() const override;
    QString typeName() const override;
    QString displayName() const override;
    QString iconPath() const override;
    void execute() override;
    void writeTo(QDataStream& stream) const override;
    void readFrom(QDataStream& stream) override;
    QString description() const override;
    std::unique_ptr<Operation> clone() const override;
};
