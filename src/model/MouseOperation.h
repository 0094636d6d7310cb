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

    QPoint position() const { return m_position; }
    void setPosition(const QPoint& p) { m_position = p; }

private:
    QPoint m_position;
};
