#pragma once

#include <QPoint>
#include <QTableView>
#include <optional>

class Operation;

// The table of the flow's operations. Selects whole rows (Ctrl-click and Shift-click
// add to the selection) and announces the operation of the current selected row;
// moves the selected rows by dragging and takes new operations dropped from the
// palette. Paints its own hover highlight and its own drop-indicator line.
class OperationTableView : public QTableView {
    Q_OBJECT
public:
    // Where a drop lands, in the terms the model's dropMimeData takes.
    struct DropTarget {
        int row = -1;
        QModelIndex parent;
    };

    explicit OperationTableView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    static QString tableStyleSheet();

    int hoverRow() const { return m_hoverRow; }
    bool isDragging() const { return m_dragging; }
    QPoint dragPosition() const { return m_dragPosition; }

    // Drags are taken only from the table itself and from the palette tree.
    bool acceptsDragSource(const QObject* source) const;
    // The target of a drop at `pos` (viewport coordinates) with the indicator
    // position the item view reports for the current drag.
    DropTarget dropTargetAt(const QPoint& pos) const;
    // The y of the drop-indicator line for a drag at `pos`; none over an empty table.
    std::optional<int> dropIndicatorY(const QPoint& pos) const;

signals:
    void operationSelected(Operation* op);

protected:
    DropTarget dropTarget(const QModelIndex& index, DropIndicatorPosition position) const;
    // The widget a drag event comes from (null: another program). Outside a real drag
    // Qt reports no source, so tests replace this.
    virtual const QObject* dragSourceOf(const QDropEvent* event) const;

    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

protected slots:
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    void fitRowNumbers();

    int m_hoverRow = -1;
    QPoint m_dragPosition;
    bool m_dragging = false;
};
