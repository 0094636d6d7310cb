#include "model/MouseClickOperation.h"

#include "model/InputHelpers.h"

MouseClickOperation::MouseClickOperation(QObject* parent) : MouseOperation(parent) {}

QString MouseClickOperation::category() const {
    return tr("鼠标");
}
QString MouseClickOperation::typeName() const {
    return QStringLiteral("mouse_click");
}
QString MouseClickOperation::displayName() const {
    return tr("点击鼠标");
}
QString MouseClickOperation::iconPath() const {
    return QStringLiteral(":/optree/res/images/optree/mouse-click.svg");
}

InputBatch MouseClickOperation::clickRecords() const {
    quint32 down = 0, up = 0;
    switch (m_clickButton) {
        case Left:
            down = InputRecord::LeftDown, up = InputRecord::LeftUp;
            break;
        case Right:
            down = InputRecord::RightDown, up = InputRecord::RightUp;
            break;
        case Middle:
            down = InputRecord::MiddleDown, up = InputRecord::MiddleUp;
            break;
        default:
            break;
    }
    if (m_clickType != Single && m_clickType != Double) down = up = 0;
    const bool twice = m_clickType == Double;
    // Always four records in one batch, so a double click arrives as one burst.
    return {InputRecord::mouse(down), InputRecord::mouse(up), InputRecord::mouse(twice ? down : 0),
            InputRecord::mouse(twice ? up : 0)};
}

void MouseClickOperation::execute() {
    sendBatch(clickRecords());
}

void MouseClickOperation::writeTo(QDataStream& stream) const {
    stream << qint32(interval()) << position() << qint32(m_clickType) << qint32(m_clickButton);
}

void MouseClickOperation::readFrom(QDataStream& stream) {
    qint32 ms = 0, t = 0, b = 0;
    QPoint p;
    stream >> ms >> p >> t >> b;
    setInterval(ms);
    setPosition(p);
    m_clickType = t;
    m_clickButton = b;
}

QString MouseClickOperation::description() const {
    const QString click = m_clickType == Single   ? tr("单击")
                          : m_clickType == Double ? tr("双击")
                                                  : QString();
    const QString which = m_clickButton == Left     ? tr("左键")
                          : m_clickButton == Right  ? tr("右键")
                          : m_clickButton == Middle ? tr("中键")
                                                    : QString();
    return tr("在屏幕坐标(X=%1, Y=%2)处，%3鼠标%4")
        .arg(QString::number(position().x()), QString::number(position().y()), click, which);
}

std::unique_ptr<Operation> MouseClickOperation::clone() const {
    auto copy = std::make_unique<MouseClickOperation>();
    copy->setInterval(interval());
    copy->setPosition(position());
    copy->m_clickType = m_clickType;
    copy->m_clickButton = m_clickButton;
    return copy;
}
