#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <vector>

class Flow;
class Operation;
class QMimeData;
class QUndoStack;

// The flow being edited, with the file it comes from and the history of its edits.
// Every change the designer makes to the flow goes through the calls below — rows
// inserted, removed, moved, duplicated or pasted, values of an operation or of the flow
// itself — and each call is one step on the undo stack. Views only read the flow and
// follow its signals. The flow is modified when the stack is away from the state last
// loaded or saved.
class FlowDocument : public QObject {
    Q_OBJECT
public:
    explicit FlowDocument(QObject* parent = nullptr);
    ~FlowDocument() override;

    Flow* flow() const { return m_flow.get(); }
    QUndoStack* undoStack() const { return m_undoStack; }
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString& path) { m_filePath = path; }

    // Reads the flow from the file and forgets the history; a failure has reported
    // itself, and the flow keeps what could be read.
    bool load();
    // Writes the flow to the file; on success the current state is the saved one.
    bool save();
    bool isModified() const;

    // Inserts `ops` as rows row, row + 1, ...; `text` names the step ("粘贴 2 行").
    // False, destroying them, when there are none or `row` is outside 0..count.
    bool insertOperations(int row, std::vector<std::unique_ptr<Operation>> ops,
                          const QString& text = QString());
    bool insertOperation(int row, std::unique_ptr<Operation> op, const QString& text = QString());
    // Rows outside the list are ignored; false when none is left.
    bool removeOperations(const QList<int>& rows, const QString& text = QString());
    // Moves `rows` together, in their order, to the place before row `to` of the list
    // as it is now (`to` = count: to the end). False when nothing would move.
    bool moveOperations(const QList<int>& rows, int to);
    // Copies of `rows`, inserted below the last of them.
    bool duplicateOperations(const QList<int>& rows);
    // Inserts the operations on the clipboard `data` at `row`; false, with the reason,
    // when it holds none.
    bool pasteOperations(int row, const QMimeData* data, QString* whyNot);
    // Writes the Qt properties `values` of `target`, the flow or one of its operations;
    // `label` names what changes ("执行间隔（毫秒）"). False when nothing would change.
    bool setValues(QObject* target, const QVariantMap& values, const QString& label);

    // Rows in ascending order, without duplicates or rows outside the list.
    QList<int> validRows(QList<int> rows) const;

    // The commands report the rows (first, count) that a step or its undo put in place.
    void placeRows(const QList<QPair<int, int>>& ranges) { emit rowsPlaced(ranges); }

signals:
    void modifiedChanged(bool modified);
    // Rows (first, count) an edit put in place, for a view to select.
    void rowsPlaced(const QList<QPair<int, int>>& ranges);

private:
    std::unique_ptr<Flow> m_flow;
    QUndoStack* m_undoStack;
    QString m_filePath;
};
