#pragma once

#include <QList>
#include <QUndoCommand>
#include <memory>
#include <vector>

class FlowDocument;
class Operation;

// Rows removed together, in runs of adjacent rows. The removed operations live in the
// command until it is undone or destroyed.
class RemoveOperationsCommand : public QUndoCommand {
public:
    // `rows`: ascending, without duplicates, all inside the list.
    RemoveOperationsCommand(FlowDocument* document, const QList<int>& rows, const QString& text);
    ~RemoveOperationsCommand() override;

    void redo() override;
    void undo() override;

private:
    struct Run {
        int row;
        int count;
        std::vector<std::unique_ptr<Operation>> ops;
    };
    FlowDocument* m_document;
    std::vector<Run> m_runs;  // ascending
};
