#pragma once

#include <QPoint>

#include "model/Operation.h"

// An operation that carries a point on the desktop.
class MouseOperation : public Operation {
    Q_OBJECT
    Q_PROPERTY(QPoint position READ position WRITE setPosition)
    Q_CLASSINFO("prop_position", "位置坐标")
public:
    using Operation::Operation;

    QPoint position() const { return point; }
    void setPosition(const QPoint& p) { point = p; }

private:
    QPoint point;
};
