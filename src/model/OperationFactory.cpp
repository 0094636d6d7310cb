#include "model/OperationFactory.h"

#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/TextInputOperation.h"

OperationFactory* OperationFactory::instance() {
    // Destroying the factory releases the map only: prototypes live until exit.
    static OperationFactory factory;
    return &factory;
}

void OperationFactory::registerOperation(Operation* prototype) {
    if (prototype) m_prototypes.insert(prototype->typeName(), prototype);
}

std::unique_ptr<Operation> OperationFactory::create(const QString& typeName) const {
    const Operation* prototype = m_prototypes.value(typeName, nullptr);
    return prototype ? prototype->clone() : nullptr;
}

void OperationFactory::registerStandardOperations() {
    OperationFactory* f = instance();
    f->registerOperation(new MouseClickOperation);
    f->registerOperation(new MouseMoveOperation);
    f->registerOperation(new KeyboardOperation);
    f->registerOperation(new TextInputOperation);
}
