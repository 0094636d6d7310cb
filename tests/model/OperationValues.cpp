#include "OperationValues.h"

#include <QMetaProperty>
#include <QPoint>

#include "KeyboardOperation.h"
#include "MouseClickOperation.h"
#include "MouseMoveOperation.h"
#include "OperationFactory.h"
#include "TextInputOperation.h"

namespace {
QString describeValue(const QVariant& v) {
    if (v.userType() == QMetaType::QString)
        return v.toString().isNull() ? QStringLiteral("<null>") : '"' + v.toString() + '"';
    if (v.userType() == QMetaType::QPoint)
        return QStringLiteral("(%1,%2)").arg(v.toPoint().x()).arg(v.toPoint().y());
    if (v.userType() == qMetaTypeId<Qt::KeyboardModifiers>())
        return QStringLiteral("0x%1").arg(uint(v.value<Qt::KeyboardModifiers>()), 0, 16);
    return v.toString();
}
}  // namespace

Operation* OperationValues::create(const QString& typeName) {
    if (typeName == QLatin1String("key_input")) return new KeyboardOperation;
    if (typeName == QLatin1String("mouse_click")) return new MouseClickOperation;
    if (typeName == QLatin1String("mouse_move")) return new MouseMoveOperation;
    if (typeName == QLatin1String("text_input")) return new TextInputOperation;
    return nullptr;
}

bool OperationValues::apply(Operation* op, const QVariantMap& values) {
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        QVariant value = it.value();
        if (it.key() == QLatin1String("modifiers"))
            value = QVariant::fromValue(Qt::KeyboardModifiers(value.toInt()));
        if (!op->setProperty(qPrintable(it.key()), value)) return false;
    }
    return true;
}

QStringList OperationValues::describe(const QObject* object) {
    QStringList out;
    const QMetaObject* mo = object->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        out << QString::fromLatin1(p.name()) + '=' + describeValue(p.read(object));
    }
    return out;
}

std::vector<std::unique_ptr<Operation>> OperationValues::registerOwnedPrototypes() {
    std::vector<std::unique_ptr<Operation>> owned;
    for (const char* type : {"mouse_click", "mouse_move", "key_input", "text_input"}) {
        owned.emplace_back(create(QString::fromLatin1(type)));
        OperationFactory::instance()->registerOperation(owned.back().get());
    }
    return owned;
}
