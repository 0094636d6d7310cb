#pragma once

#include <QMap>
#include <QPixmap>
#include <QTreeWidget>

class Operation;
class QMimeData;

// The palette's tree: operation types grouped by category. Dragging a type onto the
// operation table adds a new operation of that type there.
class OperationTreeWidget : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int dragPixmapSize = 32;

    explicit OperationTreeWidget(QWidget* parent = nullptr);

    // Lists the prototypes in the map's order, each under its category; a category
    // gets its top-level item when the first of its types appears.
    void populate(const QMap<QString, Operation*>& prototypes);

    // The add-operation payload for an operation-type entry; null for a category or
    // for no item. The caller owns the result.
    static QMimeData* dragMimeData(const QTreeWidgetItem* item);
    static QPixmap dragPixmap(const QTreeWidgetItem* item);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};
