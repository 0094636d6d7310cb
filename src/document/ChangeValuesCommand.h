#pragma once

#include <QByteArray>
#include <QUndoCommand>
#include <QVariant>
#include <QVector>

class FlowDocument;

// Qt property values of one operation, or of the flow itself, written together (a key
// and its modifiers). Consecutive changes of the same values of the same row merge into
// one step, and a step that ends where it began drops out.
class ChangeValuesCommand : public QUndoCommand {
public:
    static constexpr int kFlowRow = -1;

    struct Change {
        QByteArray property;
        QVariant before;
        QVariant after;
    };

    // `row`: an operation's row, or kFlowRow for the flow.
    ChangeValuesCommand(FlowDocument* document, int row, QVector<Change> changes,
                        const QString& text);

    // Equal, and for strings both null or both not: the file keeps the two apart.
    static bool sameValue(const QVariant& a, const QVariant& b);

    void redo() override;
    void undo() override;
    int id() const override;
    bool mergeWith(const QUndoCommand* other) override;

private:
    void write(bool after);

    FlowDocument* m_document;
    int m_row;
    QVector<Change> m_changes;
};
