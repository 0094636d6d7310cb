#include "widgets/propertybrowser/Property.h"

#include <QCoreApplication>
#include <QPoint>

#include "widgets/propertybrowser/VariantPropertyManager.h"

Property::Property(VariantPropertyManager* owner, int typeId, const QString& rowName)
    : manager(owner), type(typeId), name(rowName) {}

void Property::setPropertyName(const QString& text) {
    if (name == text) return;
    name = text;
    manager->notifyChanged(this);
}

void Property::setEnabled(bool on) {
    if (enabled == on) return;
    enabled = on;
    manager->notifyChanged(this);
}

bool Property::isEffectivelyEnabled() const {
    for (const Property* p = this; p; p = p->parent)
        if (!p->enabled) return false;
    return true;
}

int Property::valueType() const {
    if (type == VariantPropertyManager::enumTypeId() ||
        type == VariantPropertyManager::flagTypeId())
        return QVariant::Int;
    return type;
}

QString Property::valueText() const {
    if (type == VariantPropertyManager::enumTypeId())
        return attributes.value(QStringLiteral("enumNames")).toStringList().value(current.toInt());
    if (type == VariantPropertyManager::flagTypeId()) {
        const QStringList names = attributes.value(QStringLiteral("flagNames")).toStringList();
        const int bits = current.toInt();
        QStringList set;
        for (int i = 0; i < names.size(); ++i)
            if (bits & (1 << i)) set << names.at(i);
        return set.join(QLatin1Char('|'));
    }
    switch (type) {
        case QVariant::Int:
            return QString::number(current.toInt());
        case QVariant::Bool:
            return current.toBool() ? QCoreApplication::translate("Property", "True")
                                    : QCoreApplication::translate("Property", "False");
        case QVariant::Point: {
            const QPoint p = current.toPoint();
            return QStringLiteral("%1, %2").arg(p.x()).arg(p.y());
        }
        default:
            return current.toString();
    }
}
