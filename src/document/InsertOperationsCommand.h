#pragma once

#include <QUndoCommand>
#include <memory>
#include <vector>

class FlowDocument;
class Operation;

// Rows inserted together: a drop, a paste, a duplicate, a recording. While undone, the
// command holds the operations.
class InsertOperationsCommand : public QUndoCommand {
public:
    InsertOperationsCommand(FlowDocument* document, int row,
                            std::vector<std::unique_ptr<Operation>> ops, const QString& text);
    ~InsertOperationsCommand() override;

    void redo() override;
    void undo() override;

private:
    FlowDocument* m_document;
    int m_row;
    int m_count;
    std::vector<std::unique_ptr<Operation>> m_ops;
};
