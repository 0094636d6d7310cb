#pragma once

#include <QList>
#include <QObject>
#include <QPair>

class FlowDocument;
class OperationTableView;
class QAction;
class QWidget;

// The designer's edit commands: undo and redo of the document's history, and the row
// commands on the table's selection (cut, copy, paste, duplicate, delete, select all,
// move up and down). Undo and redo act anywhere in the window; the row commands' keys
// act only while the table has the focus, and none of them reaches a property editor,
// which keeps every key it gets. Each action is enabled only while it can act.
class EditActions : public QObject {
    Q_OBJECT
public:
    EditActions(FlowDocument* document, OperationTableView* table, QWidget* window);

    QAction* undoAction() const { return m_undo; }
    QAction* redoAction() const { return m_redo; }
    QAction* cutAction() const { return m_cut; }
    QAction* copyAction() const { return m_copy; }
    QAction* pasteAction() const { return m_paste; }
    QAction* deleteAction() const { return m_delete; }
    QAction* duplicateAction() const { return m_duplicate; }
    QAction* selectAllAction() const { return m_selectAll; }
    QAction* moveUpAction() const { return m_moveUp; }
    QAction* moveDownAction() const { return m_moveDown; }

    // The table's selected rows, ascending.
    QList<int> selectedRows() const;

public slots:
    void cut();
    void copy();
    // After the selection, or at the end without one.
    void paste();
    void duplicate();
    void remove();
    void moveUp();
    void moveDown();
    // Selects the rows (first, count) an edit put in place.
    void selectRows(const QList<QPair<int, int>>& ranges);
    void updateState();

signals:
    // A short report for the status bar: what was copied, why nothing was pasted.
    void message(const QString& text);

private:
    QAction* makeAction(const char* name, const QString& text, const QList<QKeySequence>& keys,
                        void (EditActions::*slot)());
    bool clipboardMayHoldRows() const;

    FlowDocument* m_document;
    OperationTableView* m_table;
    QAction* m_undo;
    QAction* m_redo;
    QAction* m_cut;
    QAction* m_copy;
    QAction* m_paste;
    QAction* m_delete;
    QAction* m_duplicate;
    QAction* m_selectAll;
    QAction* m_moveUp;
    QAction* m_moveDown;
};
