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
    QString propertyName() const { return m_name; }
    void setPropertyName(const QString& text);

    // Whether the row may be edited. A disabled row disables its sub-rows too.
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);
    // False when this row or any row above it is disabled.
    bool isEffectivelyEnabled() const;

    QVariant value() const { return m_value; }
    // The row type the manager made the row with (an enumeration or flag id, or a
    // QVariant type such as QVariant::Point).
    int propertyType() const { return m_type; }
    // The type of value(): int for enumerations and flags, otherwise the row type.
    int valueType() const;
    // The value as the grid shows it when not editing.
    QString valueText() const;
    QVariant attribute(const QString& attributeName) const {
        return m_attributes.value(attributeName);
    }

    QList<Property*> subProperties() const { return m_subProperties; }
    Property* parentProperty() const { return m_parentProperty; }
    VariantPropertyManager* propertyManager() const { return m_manager; }

private:
    friend class VariantPropertyManager;
    Property(VariantPropertyManager* owner, int typeId, const QString& rowName);
    ~Property() = default;
    Q_DISABLE_COPY(Property)

    VariantPropertyManager* m_manager;
    int m_type;
    QString m_name;
    bool m_enabled = true;
    QVariant m_value;
    QVariantMap m_attributes;
    QList<Property*> m_subProperties;
    Property* m_parentProperty = nullptr;
};
