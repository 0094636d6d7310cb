#include "document/InsertOperationsCommand.h"

#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/Operation.h"

InsertOperationsCommand::InsertOperationsCommand(FlowDocument* document, int row,
                                                 std::vector<std::unique_ptr<Operation>> ops,
                                                 const QString& text)
    : QUndoCommand(text),
      m_document(document),
      m_row(row),
      m_count(int(ops.size())),
      m_ops(std::move(ops)) {}

InsertOperationsCommand::~InsertOperationsCommand() = default;

void InsertOperationsCommand::redo() {
    m_document->flow()->insertOperations(m_row, std::move(m_ops));
    m_ops.clear();
    m_document->placeRows({{m_row, m_count}});
}

void InsertOperationsCommand::undo() {
    m_ops = m_document->flow()->takeOperations(m_row, m_count);
}
