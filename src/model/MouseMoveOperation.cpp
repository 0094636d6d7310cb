#include "model/MouseMoveOperation.h"

#include "model/InputHelpers.h"
#include "platform/InputBackend.h"
#include "platform/Platform.h"

MouseMoveOperation::MouseMoveOperation(QObject* parent) : MouseOperation(parent) {}

QString MouseMoveOperation::category() const {
    return tr("鼠标");
}
QString MouseMoveOperation::typeName() const {
    return QStringLiteral("mouse_move");
}
QString MouseMoveOperation::displayName() const {
    return tr("移动鼠标");
}
QString MouseMoveOperation::iconPath() const {
    return QStringLiteral(":/optree/res/images/optree/mouse-move.svg");
}

void MouseMoveOperation::execute() {
    InputBackend& input = Platform::input();
    qint32 dx = 0, dy = 0;
    // A screen of size zero cannot be addressed: the move is refused, not divided by zero.
    if (!toAbsolute(position(), input.screenSize(), &dx, &dy)) return;
    input.send({InputRecord::mouse(InputRecord::Move | InputRecord::Absolute, dx, dy)});
}

void MouseMoveOperation::writeTo(QDataStream& stream) const {
    stream << qint32(interval()) << position();
}

void MouseMoveOperation::readFrom(QDataStream& stream) {
    qint32 ms = 0;
    QPoint p;
    stream >> ms >> p;
    setInterval(ms);
    setPosition(p);
}

QString MouseMoveOperation::description() const {
    return tr("将鼠标移动到屏幕坐标 (X=%1, Y=%2)")
        .arg(QString::number(position().x()), QString::number(position().y()));
}

std::unique_ptr<Operation> MouseMoveOperation::clone() const {
    auto copy = std::make_unique<MouseMoveOperation>();
    copy->setInterval(interval());
    copy->setPosition(position());
    return copy;
}
