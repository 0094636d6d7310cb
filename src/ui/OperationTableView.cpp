#include "ui/OperationTableView.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

#include "core/AppLog.h"
#include "model/Operation.h"
#include "ui/OperationModel.h"

namespace {
const QColor kHoverFill(0xE6, 0xF7, 0xFF);
const QColor kIndicatorColor(0, 120, 210, 255);
constexpr int kHeaderSize = 30;
}  // namespace

OperationTableView::OperationTableView(QWidget* parent) : QTableView(parent) {
    qRegisterMetaType<Operation*>("Operation*");
    setDragEnabled(true);
    setAcceptDrops(true);
    // Qt's indicator would follow its own drop rules; ours draws where drops land.
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDragDropOverwriteMode(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked);
    setMouseTracking(true);

    verticalHeader()->setVisible(true);
    verticalHeader()->setFixedWidth(kHeaderSize);
    verticalHeader()->setDefaultSectionSize(kHeaderSize);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    setStyleSheet(tableStyleSheet());
}

void OperationTableView::setModel(QAbstractItemModel* model) {
    if (model == this->model()) return;
    if (QAbstractItemModel* old = this->model()) {
        disconnect(old, &QAbstractItemModel::rowsInserted, this,
                   &OperationTableView::fitRowNumbers);
        disconnect(old, &QAbstractItemModel::rowsRemoved, this, &OperationTableView::fitRowNumbers);
        disconnect(old, &QAbstractItemModel::modelReset, this, &OperationTableView::fitRowNumbers);
    }
    QTableView::setModel(model);
    if (model) {
        connect(model, &QAbstractItemModel::rowsInserted, this, &OperationTableView::fitRowNumbers);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &OperationTableView::fitRowNumbers);
        connect(model, &QAbstractItemModel::modelReset, this, &OperationTableView::fitRowNumbers);
    }
    fitRowNumbers();
}

// Row numbers keep every digit: the header grows beyond its usual width as far as
// the numbers need (its size hint measures them in the header's own style), instead
// of clipping them on both sides.
void OperationTableView::fitRowNumbers() {
    verticalHeader()->setFixedWidth(qMax(kHeaderSize, verticalHeader()->sizeHint().width()));
}

QString OperationTableView::tableStyleSheet() {
    return QStringLiteral(
        "QTableView {"
        " background-color: #FFFFFF;"
        " gridline-color: #E6E6E6;"
        " border: 1px solid #ccc;"
        " border-radius: 10px;"
        " padding: 4px;"
        " }"
        "QTableView::item {"
        " background-color: #FFFFFF;"
        " color: #333333;"
        " }"
        "QTableView::item:selected {"
        " background-color: #E6F7FF;"
        " color: #333333;"
        " }"
        "QHeaderView::section {"
        " background-color: #196EBF;"
        " color: #FFFFFF;"
        " border: 1px solid #DCDFE6;"
        " min-height: 36px;"
        " }");
}

bool OperationTableView::acceptsDragSource(const QObject* source) const {
    return source && (source == this || source->inherits("QTreeWidget"));
}

OperationTableView::DropTarget OperationTableView::dropTarget(
    const QModelIndex& index, DropIndicatorPosition position) const {
    DropTarget target;
    if (index.isValid() && position == OnItem) {
        target.parent = index;
    } else if (!index.isValid()) {
        // Below the last row, or an empty table: append.
        target.row = model() ? model()->rowCount() : 0;
    } else {
        target.row = index.row() + (position == BelowItem ? 1 : 0);
    }
    return target;
}

OperationTableView::DropTarget OperationTableView::dropTargetAt(const QPoint& pos) const {
    return dropTarget(indexAt(pos), dropIndicatorPosition());
}

std::optional<int> OperationTableView::dropIndicatorY(const QPoint& pos) const {
    const QModelIndex index = indexAt(pos);
    if (index.row() >= 0) return visualRect(index).top() - 1;
    if (!model() || model()->rowCount() == 0) return std::nullopt;
    return visualRect(model()->index(model()->rowCount() - 1, 0)).bottom() + 2;
}

void OperationTableView::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    m_hoverRow = indexAt(event->pos()).row();
    viewport()->update();
}

void OperationTableView::leaveEvent(QEvent* event) {
    QTableView::leaveEvent(event);
    m_hoverRow = -1;
    viewport()->update();
}

void OperationTableView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    QPainter painter(viewport());

    if (m_hoverRow >= 0 && model() && m_hoverRow < model()->rowCount()) {
        const QRect cell = visualRect(model()->index(m_hoverRow, 0));
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(kHoverFill);
        painter.setOpacity(0.5);
        painter.drawRect(
            QRect(QPoint(0, cell.top()), QPoint(viewport()->width() - 1, cell.bottom())));
        painter.restore();
    }

    if (m_dragging) {
        const std::optional<int> y = dropIndicatorY(m_dragPosition);
        if (y) {
            const QModelIndex index = indexAt(m_dragPosition);
            if (index.row() >= 0) {
                qCDebug(appLog) << "index.row = " << index.row();
                painter.setRenderHint(QPainter::Antialiasing, true);
            }
            painter.setPen(QPen(kIndicatorColor, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            painter.drawLine(QPoint(0, *y), QPoint(viewport()->width(), *y));
        }
    }
}

const QObject* OperationTableView::dragSourceOf(const QDropEvent* event) const {
    return event->source();
}

void OperationTableView::dragEnterEvent(QDragEnterEvent* event) {
    // Other widgets and programs may offer anything; only our own payloads are taken.
    if (!acceptsDragSource(dragSourceOf(event))) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dragging = true;
}

void OperationTableView::dragMoveEvent(QDragMoveEvent* event) {
    QTableView::dragMoveEvent(event);
    m_dragPosition = event->pos();
    viewport()->update();
    if (acceptsDragSource(dragSourceOf(event))) event->acceptProposedAction();
}

void OperationTableView::dragLeaveEvent(QDragLeaveEvent* event) {
    m_dragging = false;
    viewport()->update();
    QTableView::dragLeaveEvent(event);
}

void OperationTableView::dropEvent(QDropEvent* event) {
    m_dragging = false;
    viewport()->update();
    const DropTarget target = dropTargetAt(event->pos());
    auto* operationModel = qobject_cast<OperationModel*>(model());
    if (!operationModel) return;
    if (operationModel->dropMimeData(event->mimeData(), event->proposedAction(), target.row, 0,
                                     target.parent)) {
        event->setDropAction(event->proposedAction());
        event->accept();
    } else {
        event->ignore();
    }
}

void OperationTableView::selectionChanged(const QItemSelection& selected,
                                          const QItemSelection& deselected) {
    QTableView::selectionChanged(selected, deselected);
    Operation* op = nullptr;
    auto* operationModel = qobject_cast<OperationModel*>(model());
    if (operationModel && selectionModel() && selectionModel()->hasSelection()) {
        // The row last clicked, when it is one of the selected rows; else the first.
        int row = currentIndex().row();
        if (!selectionModel()->isSelected(currentIndex()))
            row = selectionModel()->selection().value(0).top();
        op = operationModel->operationAt(row);
    }
    emit operationSelected(op);
}

void OperationTableView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    // Qt would select a neighbour of a deleted selected row; the table instead ends up
    // without a selection, and announces that (null) while the operation still exists.
    if (!parent.isValid() && selectionModel()) {
        for (const QItemSelectionRange& range : selectionModel()->selection()) {
            if (range.top() <= end && range.bottom() >= start) {
                selectionModel()->clear();
                break;
            }
        }
    }
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}
