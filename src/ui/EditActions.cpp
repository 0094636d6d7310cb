#include "ui/EditActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QIcon>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUndoStack>
#include <QWidget>
#include <algorithm>

#include "document/FlowDocument.h"
#include "document/OperationMime.h"
#include "model/Flow.h"
#include "model/Operation.h"
#include "ui/OperationTableView.h"

namespace {
// "撤销 删除 2 行 (Ctrl+Z)": what the action would do, then its first key.
QString tip(const QString& what, const QAction* action) {
    const QKeySequence key = action->shortcut();
    return key.isEmpty()
               ? what
               : QStringLiteral("%1 (%2)").arg(what, key.toString(QKeySequence::NativeText));
}
}  // namespace

EditActions::EditActions(FlowDocument* document, OperationTableView* table, QWidget* window)
    : QObject(window), m_document(document), m_table(table) {
    QUndoStack* stack = document->undoStack();
    m_undo = makeAction("undoAction", tr("撤销"), {QKeySequence::Undo}, nullptr);
    m_redo = makeAction(
        "redoAction", tr("重做"),
        {QKeySequence(Qt::CTRL + Qt::Key_Y), QKeySequence(Qt::CTRL + Qt::SHIFT + Qt::Key_Z)},
        nullptr);
    m_undo->setShortcutContext(Qt::WindowShortcut);
    m_redo->setShortcutContext(Qt::WindowShortcut);
    m_undo->setIcon(QIcon(QStringLiteral(":res/images/undo.svg")));
    m_redo->setIcon(QIcon(QStringLiteral(":res/images/redo.svg")));
    connect(m_undo, &QAction::triggered, stack, &QUndoStack::undo);
    connect(m_redo, &QAction::triggered, stack, &QUndoStack::redo);
    // Anywhere in the window, as long as the window has them too: ribbon buttons on a
    // page not shown do not count.
    window->addAction(m_undo);
    window->addAction(m_redo);

    m_cut = makeAction("cutAction", tr("剪切"), {QKeySequence::Cut}, &EditActions::cut);
    m_copy = makeAction("copyAction", tr("复制"), {QKeySequence::Copy}, &EditActions::copy);
    m_paste = makeAction("pasteAction", tr("粘贴"), {QKeySequence::Paste}, &EditActions::paste);
    m_duplicate = makeAction("duplicateAction", tr("创建副本"),
                             {QKeySequence(Qt::CTRL + Qt::Key_D)}, &EditActions::duplicate);
    m_delete = makeAction("deleteAction", tr("删除"), {QKeySequence(Qt::Key_Delete)},
                          &EditActions::remove);
    m_selectAll = makeAction("selectAllAction", tr("全选"), {QKeySequence::SelectAll}, nullptr);
    connect(m_selectAll, &QAction::triggered, table, &OperationTableView::selectAll);
    m_moveUp = makeAction("moveUpAction", tr("上移"), {QKeySequence(Qt::ALT + Qt::Key_Up)},
                          &EditActions::moveUp);
    m_moveDown = makeAction("moveDownAction", tr("下移"), {QKeySequence(Qt::ALT + Qt::Key_Down)},
                            &EditActions::moveDown);
    m_copy->setIcon(QIcon(QStringLiteral(":res/images/copy.svg")));
    m_paste->setIcon(QIcon(QStringLiteral(":res/images/paste.svg")));
    m_delete->setIcon(QIcon(QStringLiteral(":res/images/delete.svg")));
    // The table's keys and its context menu, in menu order.
    auto separator = [this] {
        auto* line = new QAction(this);
        line->setSeparator(true);
        return line;
    };
    table->addActions({m_cut, m_copy, m_paste, m_duplicate, m_delete, separator(), m_moveUp,
                       m_moveDown, separator(), m_selectAll});
    table->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(stack, &QUndoStack::indexChanged, this, &EditActions::updateState);
    connect(stack, &QUndoStack::cleanChanged, this, &EditActions::updateState);
    connect(table, &OperationTableView::operationSelected, this, &EditActions::updateState);
    connect(document->flow(), &Flow::operationsInserted, this, &EditActions::updateState);
    connect(document->flow(), &Flow::operationsRemoved, this, &EditActions::updateState);
    connect(document->flow(), &Flow::resetDone, this, &EditActions::updateState);
    connect(document, &FlowDocument::rowsPlaced, this, &EditActions::selectRows);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &EditActions::updateState);
    updateState();
}

QAction* EditActions::makeAction(const char* name, const QString& text,
                                 const QList<QKeySequence>& keys, void (EditActions::*slot)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    // Row keys reach the action only from the table (it adds them); a property editor
    // or the palette keeps Delete and Ctrl+C for itself.
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    if (slot) connect(action, &QAction::triggered, this, slot);
    return action;
}

QList<int> EditActions::selectedRows() const {
    // From the selection's ranges: asking the model row by row is slow for 100,000 rows.
    QList<int> rows;
    if (QItemSelectionModel* selection = m_table->selectionModel())
        for (const QItemSelectionRange& range : selection->selection())
            for (int row = range.top(); row <= range.bottom(); ++row) rows << row;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

bool EditActions::clipboardMayHoldRows() const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && (data->hasFormat(OperationMime::mimeType) || data->hasText());
}

void EditActions::updateState() {
    QUndoStack* stack = m_document->undoStack();
    m_undo->setEnabled(stack->canUndo());
    m_redo->setEnabled(stack->canRedo());
    m_undo->setToolTip(
        tip(stack->canUndo() ? tr("撤销 %1").arg(stack->undoText()) : tr("撤销"), m_undo));
    m_redo->setToolTip(
        tip(stack->canRedo() ? tr("重做 %1").arg(stack->redoText()) : tr("重做"), m_redo));

    const QList<int> rows = selectedRows();
    const int count = m_document->flow()->operationCount();
    const bool any = !rows.isEmpty();
    for (QAction* action : {m_cut, m_copy, m_delete, m_duplicate}) action->setEnabled(any);
    m_moveUp->setEnabled(any && rows.first() > 0);
    m_moveDown->setEnabled(any && rows.last() < count - 1);
    m_selectAll->setEnabled(count > 0);
    m_paste->setEnabled(clipboardMayHoldRows());
    m_cut->setToolTip(tip(tr("剪切选中的 %1 行").arg(rows.size()), m_cut));
    m_copy->setToolTip(tip(tr("复制选中的 %1 行").arg(rows.size()), m_copy));
    m_delete->setToolTip(tip(tr("删除选中的 %1 行").arg(rows.size()), m_delete));
    m_duplicate->setToolTip(tip(tr("在选中的行之后插入它们的副本"), m_duplicate));
    m_paste->setToolTip(
        tip(any ? tr("粘贴到第 %1 行之后").arg(rows.last() + 1) : tr("粘贴到末尾"), m_paste));
}

void EditActions::copy() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) return;
    QList<Operation*> ops;
    for (int row : rows) ops << m_document->flow()->operationAt(row);
    QApplication::clipboard()->setMimeData(OperationMime::encode(ops));
    emit message(tr("已复制 %1 行").arg(rows.size()));
}

void EditActions::cut() {
    const QList<int> rows = selectedRows();
    if (rows.isEmpty()) return;
    copy();
    m_document->removeOperations(rows, tr("剪切 %1 行").arg(rows.size()));
}

void EditActions::paste() {
    const QList<int> rows = selectedRows();
    const int at = rows.isEmpty() ? m_document->flow()->operationCount() : rows.last() + 1;
    QString whyNot;
    if (!m_document->pasteOperations(at, QApplication::clipboard()->mimeData(), &whyNot))
        emit message(tr("无法粘贴：%1").arg(whyNot));
}

void EditActions::duplicate() {
    m_document->duplicateOperations(selectedRows());
}

void EditActions::remove() {
    m_document->removeOperations(selectedRows());
}

void EditActions::moveUp() {
    const QList<int> rows = selectedRows();
    if (!rows.isEmpty() && rows.first() > 0) m_document->moveOperations(rows, rows.first() - 1);
}

void EditActions::moveDown() {
    const QList<int> rows = selectedRows();
    const int count = m_document->flow()->operationCount();
    if (!rows.isEmpty() && rows.last() < count - 1)
        m_document->moveOperations(rows, rows.last() + 2);
}

void EditActions::selectRows(const QList<QPair<int, int>>& ranges) {
    QItemSelectionModel* selection = m_table->selectionModel();
    if (!selection || ranges.isEmpty()) return;
    QItemSelection rows;
    for (const auto& range : ranges) {
        if (range.second <= 0) continue;
        rows.select(m_table->model()->index(range.first, 0),
                    m_table->model()->index(range.first + range.second - 1, 0));
    }
    const QModelIndex first = m_table->model()->index(ranges.first().first, 0);
    selection->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selection->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // As much of the new rows in sight as fits, their first row at least.
    const QPair<int, int>& last = ranges.last();
    m_table->scrollTo(m_table->model()->index(last.first + qMax(last.second, 1) - 1, 0));
    m_table->scrollTo(first);
}
