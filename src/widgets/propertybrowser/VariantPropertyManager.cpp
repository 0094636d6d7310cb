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
    return property && rows.contains(const_cast<Property*>(property));
}

Property* VariantPropertyManager::makeRow(int typeId, const QString& name, Property* parent) {
    auto* row = new Property(this, typeId, name);
    row->parent = parent;
    if (typeId == QVariant::Int) {
        row->attributes.insert(kMinimum, INT_MIN);
        row->attributes.insert(kMaximum, INT_MAX);
        row->current = 0;
    } else if (typeId == QVariant::String) {
        row->current = QString();
    } else if (typeId == QVariant::Bool) {
        row->current = false;
    } else if (typeId == QVariant::Point) {
        row->current = QPoint();
    } else if (typeId == enumTypeId()) {
        row->attributes.insert(kEnumNames, QStringList());
        row->current = 0;
    } else if (typeId == flagTypeId()) {
        row->attributes.insert(kFlagNames, QStringList());
        row->current = 0;
    }
    rows.append(row);
    if (parent) {
        parent->children.append(row);
        emit subPropertyAdded(parent, row);
    }
    emit valueChanged(row, row->current);
    if (typeId == QVariant::Point) {
        makeRow(QVariant::Int, QStringLiteral("X"), row);
        makeRow(QVariant::Int, QStringLiteral("Y"), row);
    }
    return row;
}

QVariant VariantPropertyManager::value(const Property* property) const {
    return owns(property) ? property->current : QVariant();
}

QVariant VariantPropertyManager::attribute(const Property* property, const QString& name) const {
    return owns(property) ? property->attributes.value(name) : QVariant();
}

QVariant VariantPropertyManager::normalised(const Property* property, const QVariant& value,
                                            bool* ok) const {
    *ok = false;
    const int type = property->type;
    if (type == QVariant::Int || type == enumTypeId() || type == flagTypeId()) {
        const int number = value.toInt(ok);
        if (!*ok) return {};
        if (type == QVariant::Int)
            return qBound(property->attributes.value(kMinimum).toInt(), number,
                          property->attributes.value(kMaximum).toInt());
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
    if (!force && v == property->current) return;
    property->current = v;
    emit valueChanged(property, v);
    notifyChanged(property);
    syncSubRows(property);
    // Keep the row above in step; its own sub-rows already hold the new parts.
    if (Property* parent = property->parent) {
        const QVariant whole = valueFromSubRows(parent);
        if (whole != parent->current) {
            parent->current = whole;
            emit valueChanged(parent, whole);
            notifyChanged(parent);
        }
    }
}

void VariantPropertyManager::syncSubRows(Property* property) {
    const QList<Property*> subs = property->children;
    QList<QVariant> parts;
    if (property->type == QVariant::Point) {
        const QPoint p = property->current.toPoint();
        parts << p.x() << p.y();
    } else if (property->type == flagTypeId()) {
        const int bits = property->current.toInt();
        for (int i = 0; i < subs.size(); ++i) parts << bool(bits & (1 << i));
    }
    for (int i = 0; i < subs.size() && i < parts.size(); ++i) {
        Property* sub = subs.at(i);
        bool ok = false;
        const QVariant v = normalised(sub, parts.at(i), &ok);
        if (!ok || v == sub->current) continue;
        sub->current = v;
        emit valueChanged(sub, v);
        notifyChanged(sub);
    }
}

QVariant VariantPropertyManager::valueFromSubRows(const Property* property) const {
    const QList<Property*>& subs = property->children;
    if (property->type == QVariant::Point && subs.size() == 2)
        return QPoint(subs.at(0)->current.toInt(), subs.at(1)->current.toInt());
    if (property->type == flagTypeId()) {
        int bits = 0;
        for (int i = 0; i < subs.size(); ++i)
            if (subs.at(i)->current.toBool()) bits |= 1 << i;
        return bits;
    }
    return property->current;
}

void VariantPropertyManager::setAttribute(Property* property, const QString& name,
                                          const QVariant& value) {
    if (!owns(property)) return;
    const int type = property->type;
    QVariantMap& attrs = property->attributes;
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
    apply(property, property->current, true);
    notifyChanged(property);
}

void VariantPropertyManager::rebuildFlagRows(Property* property) {
    // The new check boxes take their state when the caller re-applies the value.
    while (!property->children.isEmpty()) deleteRow(property->children.last());
    const QStringList names = property->attributes.value(kFlagNames).toStringList();
    for (const QString& name : names) makeRow(QVariant::Bool, name, property);
}

void VariantPropertyManager::deleteRow(Property* property) {
    while (!property->children.isEmpty()) deleteRow(property->children.last());
    emit propertyAboutToBeDeleted(property);
    if (property->parent) property->parent->children.removeOne(property);
    rows.removeOne(property);
    delete property;
}

void VariantPropertyManager::clear() {
    if (clearing) return;
    clearing = true;
    // Top-level rows take their sub-rows with them; a listener may delete rows too.
    QList<Property*> topLevel;
    for (Property* row : qAsConst(rows))
        if (!row->parent) topLevel << row;
    for (Property* row : qAsConst(topLevel))
        if (rows.contains(row)) deleteRow(row);
    clearing = false;
}

void VariantPropertyManager::notifyChanged(Property* property) {
    emit propertyChanged(property);
}
