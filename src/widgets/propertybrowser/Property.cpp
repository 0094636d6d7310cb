#include "widgets/propertybrowser/Property.h"

#include <QCoreApplication>
#include <QPoint>

#include "widgets/propertybrowser/VariantPropertyManager.h"

Property::Property(VariantPropertyManager* owner, int typeId, const QString& rowName)
    : m_manager(owner), m_type(typeId), m_name(rowName) {}

void Property::setPropertyName(const QString& text) {
    if (m_name == text) return;
    m_name = text;
    m_manager->notifyChanged(this);
}

void Property::setEnabled(bool on) {
    if (m_enabled == on) return;
    m_enabled = on;
    m_manager->notifyChanged(this);
}

bool Property::isEffectivelyEnabled() const {
    for (const Property* p = this; p; p = p->m_parentProperty)
        if (!p->m_enabled) return false;
    return true;
}

int Property::valueType() const {
    if (m_type == VariantPropertyManager::enumTypeId() ||
        m_type == VariantPropertyManager::flagTypeId())
        return QVariant::Int;
    return m_type;
}

QString Property::valueText() const {
    if (m_type == VariantPropertyManager::enumTypeId())
        return m_attributes.value(QStringLiteral("enumNames"))
            .toStringList()
            .value(m_value.toInt());
    if (m_type == VariantPropertyManager::flagTypeId()) {
        const QStringList names = m_attributes.value(QStringLiteral("flagNames")).toStringList();
        const int bits = m_value.toInt();
        QStringList set;
        for (int i = 0; i < names.size(); ++i)
            if (bits & (1 << i)) set << names.at(i);
        return set.join(QLatin1Char('|'));
    }
    switch (m_type) {
        case QVariant::Int:
            return QString::number(m_value.toInt());
        case QVariant::Bool:
            return m_value.toBool() ? QCoreApplication::translate("Property", "True")
                                    : QCoreApplication::translate("Property", "False");
        case QVariant::Point: {
            const QPoint p = m_value.toPoint();
            return QStringLiteral("%1, %2").arg(p.x()).arg(p.y());
        }
        default:
            return m_value.toString();
    }
}
