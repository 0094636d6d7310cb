#include "document/RemoveOperationsCommand.h"

#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/Operation.h"

RemoveOperationsCommand::RemoveOperationsCommand(FlowDocument* document, const QList<int>& rows,
                                                 const QString& text)
    : QUndoCommand(text), m_document(document) {
    for (int row : rows) {
        if (!m_runs.empty() && m_runs.back().row + m_runs.back().count == row)
            ++m_runs.back().count;
        else
            m_runs.push_back({row, 1, {}});
    }
}

RemoveOperationsCommand::~RemoveOperationsCommand() = default;

void RemoveOperationsCommand::redo() {
    // From the bottom up, so the rows above keep their numbers.
    for (auto run = m_runs.rbegin(); run != m_runs.rend(); ++run)
        run->ops = m_document->flow()->takeOperations(run->row, run->count);
}

void RemoveOperationsCommand::undo() {
    QList<QPair<int, int>> placed;
    for (Run& run : m_runs) {
        m_document->flow()->insertOperations(run.row, std::move(run.ops));
        run.ops.clear();
        placed.append({run.row, run.count});
    }
    m_document->placeRows(placed);
}
