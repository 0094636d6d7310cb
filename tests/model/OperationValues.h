#pragma once

#include <QStringList>
#include <QVariantMap>

class Operation;
class QObject;

// Makes operations by type name without the factory, sets their values through
// the meta-object as the property browser does, and lists them for comparison.
class OperationValues {
public:
    static Operation* create(const QString& typeName);
    // Property name to value; "modifiers" may be given as a plain int.
    static bool apply(Operation* op, const QVariantMap& values);
    // "name=value" for every property but the object name, in declaration order,
    // with null and empty strings told apart.
    static QStringList describe(const QObject* object);
};
