#pragma once

#include <QMap>
#include <QObject>
#include <memory>

class Operation;

// The process-wide registry of one prototype per operation type name.
class OperationFactory : public QObject {
    Q_OBJECT
public:
    static OperationFactory* instance();

    // Stores the prototype under its type name, replacing (not deleting) an earlier one.
    void registerOperation(Operation* prototype);
    // A clone of the prototype registered under exactly this name, or null.
    std::unique_ptr<Operation> create(const QString& typeName) const;
    const QMap<QString, Operation*>& prototypes() const { return m_prototypes; }

    // The four standard types, in the order the program registers them.
    static void registerStandardOperations();

private:
    OperationFactory() = default;
    QMap<QString, Operation*> m_prototypes;
};
