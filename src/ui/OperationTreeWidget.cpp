#include "ui/OperationTreeWidget.h"

#include <QDrag>
#include <QMimeData>

#include "model/Operation.h"
#include "ui/OperationModel.h"
#include "ui/UiResources.h"

OperationTreeWidget::OperationTreeWidget(QWidget* parent) : QTreeWidget(parent) {
    UiResources::init();
}

void OperationTreeWidget::populate(const QMap<QString, Operation*>& prototypes) {
    clear();
    for (const Operation* prototype : prototypes) {
        if (!prototype) continue;
        const QString category = prototype->category();
        QTreeWidgetItem* categoryItem = nullptr;
        for (int i = 0; i < topLevelItemCount() && !categoryItem; ++i) {
            if (topLevelItem(i)->text(0) == category) categoryItem = topLevelItem(i);
        }
        if (!categoryItem) {
            categoryItem = new QTreeWidgetItem(this);
            categoryItem->setText(0, category);
        }
        auto* entry = new QTreeWidgetItem(categoryItem);
        entry->setText(0, prototype->displayName());
        entry->setData(0, Qt::UserRole, prototype->typeName());
        entry->setIcon(0, QIcon(prototype->iconPath()));
    }
    expandAll();
}

QMimeData* OperationTreeWidget::dragMimeData(const QTreeWidgetItem* item) {
    if (!item || item->childCount() > 0) return nullptr;
    auto* mime = new QMimeData;
    mime->setData(
        OperationModel::addOperationMimeType,
        OperationModel::addOperationPayload(item->data(0, Qt::UserRole).toString(), item->text(0)));
    return mime;
}

QPixmap OperationTreeWidget::dragPixmap(const QTreeWidgetItem* item) {
    if (!item) return QPixmap();
    return item->icon(0).pixmap(dragPixmapSize, dragPixmapSize, QIcon::Normal, QIcon::Off);
}

void OperationTreeWidget::startDrag(Qt::DropActions supportedActions) {
    // Only copying makes sense: the palette entry stays where it is.
    Q_UNUSED(supportedActions);
    QTreeWidgetItem* item = currentItem();
    QMimeData* mime = dragMimeData(item);
    if (!mime) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(dragPixmap(item));
    drag->setHotSpot(QPoint(8, 8));
    drag->exec(Qt::CopyAction);
}
