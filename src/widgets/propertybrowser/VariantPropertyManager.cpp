#include "widgets/propertybrowser/VariantPropertyManager.h"

#include <QMetaType>
#include <QPoint>
#include <climits>

#include "widgets/propertybrowser/Property.h"

namespace propertygrid_detail {
// Tags that give enumeration and flag rows type ids of their own.
struct EnumValue {};
struct FlagValue {};
}  // namespace propertygrid_detail
Q_DECLARE_METATYPE(propertygrid_detail::EnumValue)
Q_DECLARE_METATYPE(propertygrid_detail::FlagValue)

namespace {
const QString kMinimum = QStringLiteral("minimum");
const QString kMaximum = QStringLiteral("maximum");
const QString kEnumNames = QStringLiteral("enumNames");
const QString kFlagNames = QStringLiteral("flagNames");

int flagMask(const Property* property) {
    const int count = property->attribute(kFlagNames).toStringList().size();
    return count >= 31 ? INT_MAX : (1 << count) - 1;
}
}  // namespace

VariantPropertyManager::VariantPropertyManager(QObject* parent) : QObject(parent) {}

VariantPropertyManager::~VariantPropertyManager() {
    clear();
}

int VariantPropertyManager::enumTypeId() {
    return qMetaTypeId<propertygrid_detail::EnumValue>();
}

int VariantPropertyManager::flagTypeId() {
    return qMetaTypeId<propertygrid_detail::FlagValue>();
}

bool VariantPropertyManager::isPropertyTypeSupported(int typeId) {
    return typeId == QVariant::Int || typeId == QVariant::String || typeId == QVariant::Bool ||
           typeId == QVariant::Point || typeId == enumTypeId() || typeId == flagTypeId();
}

Property* VariantPropertyManager::addProperty(int typeId, const QString& name) {
    if (!isPropertyTypeSupported(typeId)) return nullptr;
    return makeRow(typeId, name, nullptr);
}

bool VariantPropertyManager::owns(const Property* property) const {
    return property && m_properties.contains(const_cast<Property*>(property));
}

Property* VariantPropertyManager::makeRow(int typeId, const QString& name, Property* parent) {
    auto* row = new Property(this, typeId, name);
    row->m_parentProperty = parent;
    if (typeId == QVariant::Int) {
        row->m_attributes.insert(kMinimum, INT_MIN);
        row->m_attributes.insert(kMaximum, INT_MAX);
        row->m_value = 0;
    } else if (typeId == QVariant::String) {
        row->m_value = QString();
    } else if (typeId == QVariant::Bool) {
        row->m_value = false;
    } else if (typeId == QVariant::Point) {
        row->m_value = QPoint();
    } else if (typeId == enumTypeId()) {
        row->m_attributes.insert(kEnumNames, QStringList());
        row->m_value = 0;
    } else if (typeId == flagTypeId()) {
        row->m_attributes.insert(kFlagNames, QStringList());
        row->m_value = 0;
    }
    m_properties.append(row);
    if (parent) {
        parent->m_subProperties.append(row);
        emit subPropertyAdded(parent, row);
    }
    emit valueChanged(row, row->m_value);
    if (typeId == QVariant::Point) {
        makeRow(QVariant::Int, QStringLiteral("X"), row);
        makeRow(QVariant::Int, QStringLiteral("Y"), row);
    }
    return row;
}

QVariant VariantPropertyManager::value(const Property* property) const {
    return owns(property) ? property->m_value : QVariant();
}

QVariant VariantPropertyManager::attribute(const Property* property, const QString& name) const {
    return owns(property) ? property->m_attributes.value(name) : QVariant();
}

QVariant VariantPropertyManager::normalised(const Property* property, const QVariant& value,
                                            bool* ok) const {
    *ok = false;
    const int type = property->m_type;
    if (type == QVariant::Int || type == enumTypeId() || type == flagTypeId()) {
        const int number = value.toInt(ok);
        if (!*ok) return {};
        if (type == QVariant::Int)
            return qBound(property->m_attributes.value(kMinimum).toInt(), number,
                          property->m_attributes.value(kMaximum).toInt());
        if (type == flagTypeId()) return number & flagMask(property);
        return number;
    }
    if (type == QVariant::Point) {
        *ok = value.canConvert<QPoint>();
        return *ok ? QVariant(value.toPoint()) : QVariant();
    }
    if (type == QVariant::Bool) {
        *ok = value.canConvert<bool>();
        return *ok ? QVariant(value.toBool()) : QVariant();
    }
    *ok = value.canConvert<QString>() || !value.isValid();
    return *ok ? QVariant(value.toString()) : QVariant();
}

void VariantPropertyManager::setValue(Property* property, const QVariant& value) {
    if (!owns(property)) return;
    apply(property, value, false);
}

void VariantPropertyManager::apply(Property* property, const QVariant& value, bool force) {
    bool ok = false;
    const QVariant v = normalised(property, value, &ok);
    if (!ok) return;
    if (!force && v == property->m_value) return;
    property->m_value = v;
    emit valueChanged(property, v);
    notifyChanged(property);
    syncSubRows(property);
    // Keep the row above in step; its own sub-rows already hold the new parts.
    if (Property* parent = property->m_parentProperty) {
        const QVariant whole = valueFromSubRows(parent);
        if (whole != parent->m_value) {
            parent->m_value = whole;
            emit valueChanged(parent, whole);
            notifyChanged(parent);
        }
    }
}

void VariantPropertyManager::syncSubRows(Property* property) {
    const QList<Property*> subs = property->m_subProperties;
    QList<QVariant> parts;
    if (property->m_type == QVariant::Point) {
        const QPoint p = property->m_value.toPoint();
        parts << p.x() << p.y();
    } else if (property->m_type == flagTypeId()) {
        const int bits = property->m_value.toInt();
        for (int i = 0; i < subs.size(); ++i) parts << bool(bits & (1 << i));
    }
    for (int i = 0; i < subs.size() && i < parts.size(); ++i) {
        Property* sub = subs.at(i);
        bool ok = false;
        const QVariant v = normalised(sub, parts.at(i), &ok);
        if (!ok || v == sub->m_value) continue;
        sub->m_value = v;
        emit valueChanged(sub, v);
        notifyChanged(sub);
    }
}

QVariant VariantPropertyManager::valueFromSubRows(const Property* property) const {
    const QList<Property*>& subs = property->m_subProperties;
    if (property->m_type == QVariant::Point && subs.size() == 2)
        return QPoint(subs.at(0)->m_value.toInt(), subs.at(1)->m_value.toInt());
    if (property->m_type == flagTypeId()) {
        int bits = 0;
        for (int i = 0; i < subs.size(); ++i)
            if (subs.at(i)->m_value.toBool()) bits |= 1 << i;
        return bits;
    }
    return property->m_value;
}

void VariantPropertyManager::setAttribute(Property* property, const QString& name,
                                          const QVariant& value) {
    if (!owns(property)) return;
    const int type = property->m_type;
    QVariantMap& attrs = property->m_attributes;
    if (type == QVariant::Int && (name == kMinimum || name == kMaximum)) {
        bool ok = false;
        const int bound = value.toInt(&ok);
        if (!ok) return;
        attrs.insert(name, bound);
        // The other bound gives way, so the range is never empty.
        if (name == kMinimum && attrs.value(kMaximum).toInt() < bound)
            attrs.insert(kMaximum, bound);
        if (name == kMaximum && attrs.value(kMinimum).toInt() > bound)
            attrs.insert(kMinimum, bound);
    } else if (type == enumTypeId() && name == kEnumNames) {
        attrs.insert(name, value.toStringList());
    } else if (type == flagTypeId() && name == kFlagNames) {
        attrs.insert(name, value.toStringList());
        rebuildFlagRows(property);
    } else {
        return;
    }
    emit attributeChanged(property, name, attrs.value(name));
    apply(property, property->m_value, true);
    notifyChanged(property);
}

void VariantPropertyManager::rebuildFlagRows(Property* property) {
    // The new check boxes take their state when the caller re-applies the value.
    while (!property->m_subProperties.isEmpty()) deleteRow(property->m_subProperties.last());
    const QStringList names = property->m_attributes.value(kFlagNames).toStringList();
    for (const QString& name : names) makeRow(QVariant::Bool, name, property);
}

void VariantPropertyManager::deleteRow(Property* property) {
    while (!property->m_subProperties.isEmpty()) deleteRow(property->m_subProperties.last());
    emit propertyAboutToBeDeleted(property);
    if (property->m_parentProperty) property->m_parentProperty->m_subProperties.removeOne(property);
    m_properties.removeOne(property);
    delete property;
}

void VariantPropertyManager::clear() {
    if (m_clearing) return;
    m_clearing = true;
    // Top-level rows take their sub-rows with them; a listener may delete rows too.
    QList<Property*> topLevel;
    for (Property* row : qAsConst(m_properties))
        if (!row->m_parentProperty) topLevel << row;
    for (Property* row : qAsConst(topLevel))
        if (m_properties.contains(row)) deleteRow(row);
    m_clearing = false;
}

void VariantPropertyManager::notifyChanged(Property* property) {
    emit propertyChanged(property);
}
