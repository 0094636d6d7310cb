#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

class Property;

// Makes and owns the rows of a property grid. Rows are typed by a type id:
//  - QVariant::Int: an integer with the attributes "minimum" and "maximum";
//  - QVariant::String, QVariant::Bool;
//  - QVariant::Point: a point with the integer sub-rows "X" and "Y";
//  - enumTypeId(): an index into the attribute "enumNames";
//  - flagTypeId(): bits named by the attribute "flagNames", one check-box sub-row each.
// valueChanged is emitted for every row and sub-row whose value is set, also for the
// initial value when a row is made and whenever an attribute is set, so that a
// listener sees every value a row ever had. A sub-row edit is also reported as the
// new value of the row above it.
class VariantPropertyManager : public QObject {
    Q_OBJECT
public:
    explicit VariantPropertyManager(QObject* parent = nullptr);
    ~VariantPropertyManager() override;

    static int enumTypeId();
    static int flagTypeId();
    static bool isPropertyTypeSupported(int typeId);

    // A new top-level row, or null when the type is not supported.
    Property* addProperty(int typeId, const QString& name);

    QVariant value(const Property* property) const;
    // Converts `value` to the row's value type; integers are held within their bounds,
    // flags within their named bits. A value that does not convert is ignored.
    void setValue(Property* property, const QVariant& value);

    QVariant attribute(const Property* property, const QString& name) const;
    void setAttribute(Property* property, const QString& name, const QVariant& value);

    // The rows this manager made, top-level rows and sub-rows, in the order made.
    QList<Property*> properties() const { return m_properties; }
    bool owns(const Property* property) const;

    // Deletes every row; browsers drop them first (propertyAboutToBeDeleted).
    void clear();

signals:
    void valueChanged(Property* property, const QVariant& value);
    void attributeChanged(Property* property, const QString& name, const QVariant& value);
    // Name, enabled state or shown value changed: browsers repaint the row.
    void propertyChanged(Property* property);
    void subPropertyAdded(Property* parent, Property* sub);
    void propertyAboutToBeDeleted(Property* property);

private:
    friend class Property;
    Property* makeRow(int typeId, const QString& name, Property* parent);
    void deleteRow(Property* property);
    QVariant normalised(const Property* property, const QVariant& value, bool* ok) const;
    // Stores the value, then reports it and keeps rows above and below in step.
    void apply(Property* property, const QVariant& value, bool force);
    void syncSubRows(Property* property);
    void rebuildFlagRows(Property* property);
    QVariant valueFromSubRows(const Property* property) const;
    void notifyChanged(Property* property);

    QList<Property*> m_properties;
    bool m_clearing = false;
};
