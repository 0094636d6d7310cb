#pragma once

#include <QList>
#include <QPair>
#include <QUndoCommand>

class FlowDocument;

// Rows moved together, as a list of single-row moves; undone in reverse.
class MoveOperationsCommand : public QUndoCommand {
public:
    // `rows`: ascending, without duplicates, all inside the list; `to`: the row before
    // which they land, counted before the move (the row count: at the end).
    MoveOperationsCommand(FlowDocument* document, const QList<int>& rows, int to,
                          const QString& text);

    // Whether the rows are already where they would go.
    bool movesNothing() const { return m_steps.isEmpty(); }

    void redo() override;
    void undo() override;

private:
    FlowDocument* m_document;
    QList<QPair<int, int>> m_steps;  // (from, to) of each single-row move
    QList<int> m_rows;
    int m_first = 0;
};
