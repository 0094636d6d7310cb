#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class VariantPropertyManager;

// One row of a property grid: a name, a value, an enabled state and sub-rows.
// Rows are made, changed and deleted by their VariantPropertyManager, which tells
// the browsers showing them; a browser only reads them.
class Property {
public:
    QString propertyName() const { return name; }
    void setPropertyName(const QString& text);

    // Whether the row may be edited. A disabled row disables its sub-rows too.
    bool isEnabled() const { return enabled; }
    void setEnabled(bool on);
    // False when this row or any row above it is disabled.
    bool isEffectivelyEnabled() const;

    QVariant value() const { return current; }
    // The row type the manager made the row with (an enumeration or flag id, or a
    // QVariant type such as QVariant::Point).
    int propertyType() const { return type; }
    // The type of value(): int for enumerations and flags, otherwise the row type.
    int valueType() const;
    // The value as the grid shows it when not editing.
    QString valueText() const;
    QVariant attribute(const QString& attributeName) const {
        return attributes.value(attributeName);
    }

    QList<Property*> subProperties() const { return children; }
    Property* parentProperty() const { return parent; }
    VariantPropertyManager* propertyManager() const { return manager; }

private:
    friend class VariantPropertyManager;
    Property(VariantPropertyManager* owner, int typeId, const QString& rowName);
    ~Property() = default;
    Q_DISABLE_COPY(Property)

    VariantPropertyManager* manager;
    int type;
    QString name;
    bool enabled = true;
    QVariant current;
    QVariantMap attributes;
    QList<Property*> children;
    Property* parent = nullptr;
};
