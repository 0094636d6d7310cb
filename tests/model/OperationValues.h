#pragma once

#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <vector>

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
    // Registers one prototype of each type with the factory, owned by the caller.
    // The program's own registration keeps its prototypes until exit, which the
    // leak checker of the sanitizer builds would report.
    static std::vector<std::unique_ptr<Operation>> registerOwnedPrototypes();
};
