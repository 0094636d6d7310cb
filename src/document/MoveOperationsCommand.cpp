#include "document/MoveOperationsCommand.h"

#include <algorithm>

#include "document/FlowDocument.h"
#include "model/Flow.h"

MoveOperationsCommand::MoveOperationsCommand(FlowDocument* document, const QList<int>& rows, int to,
                                             const QString& text)
    : QUndoCommand(text), m_document(document), m_rows(rows) {
    const int above = int(std::count_if(rows.begin(), rows.end(), [to](int r) { return r < to; }));
    m_first = to - above;
    // Rows above the target go down last-first, rows below it go up first-first, so no
    // step disturbs a row already in place.
    for (int i = above - 1; i >= 0; --i)
        if (rows.at(i) != m_first + i) m_steps.append({rows.at(i), m_first + i});
    for (int i = above; i < rows.size(); ++i)
        if (rows.at(i) != m_first + i) m_steps.append({rows.at(i), m_first + i});
}

void MoveOperationsCommand::redo() {
    for (const auto& step : qAsConst(m_steps))
        m_document->flow()->moveOperation(step.first, step.second);
    m_document->placeRows({{m_first, m_rows.size()}});
}

void MoveOperationsCommand::undo() {
    for (auto step = m_steps.crbegin(); step != m_steps.crend(); ++step)
        m_document->flow()->moveOperation(step->second, step->first);
    QList<QPair<int, int>> placed;
    for (int row : qAsConst(m_rows)) placed.append({row, 1});
    m_document->placeRows(placed);
}
