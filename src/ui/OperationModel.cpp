#include "ui/OperationModel.h"

#include <QDataStream>
#include <QMimeData>
#include <algorithm>

#include "core/AppLog.h"
#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/Operation.h"
#include "model/OperationFactory.h"

const QString OperationModel::addOperationMimeType =
    QStringLiteral("application/x-add-operation-to-table");
const QString OperationModel::moveRowMimeType =
    QStringLiteral("application/x-move-row-in-operation-table");

OperationModel::OperationModel(FlowDocument* document, QObject* parent)
    : QAbstractTableModel(parent), m_document(document) {
    // Every change of content marks the flow modified, whoever made it: the rows
    // changed here, and the property browser's edits re-emitted as dataChanged.
    connect(this, &QAbstractItemModel::dataChanged, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsInserted, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsMoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::columnsInserted, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::columnsRemoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::headerDataChanged, this, &OperationModel::sigDataChanged);
    followFlow();
}

void OperationModel::followFlow() {
    Flow* f = flow();
    connect(f, &Flow::operationsAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(f, &Flow::operationsInserted, this, &OperationModel::endInsertRows);
    connect(f, &Flow::operationsAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
    connect(f, &Flow::operationsRemoved, this, &OperationModel::endRemoveRows);
    connect(f, &Flow::operationAboutToBeMoved, this, [this](int from, int to) {
        // Qt names the row before which the moved one lands, in the old numbering.
        beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    });
    connect(f, &Flow::operationMoved, this, &OperationModel::endMoveRows);
    connect(f, &Flow::operationChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); });
    connect(f, &Flow::aboutToBeReset, this, &OperationModel::beginResetModel);
    connect(f, &Flow::resetDone, this, &OperationModel::endResetModel);
}

Flow* OperationModel::flow() const {
    return m_document->flow();
}

QString OperationModel::filePath() const {
    return m_document->filePath();
}

Operation* OperationModel::operationAt(int row) const {
    return flow()->operationAt(row);
}

QByteArray OperationModel::addOperationPayload(const QString& typeName, const QString& text) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << typeName << text;
    return bytes;
}

QByteArray OperationModel::moveRowPayload(qint32 row) {
    return moveRowsPayload({row});
}

QByteArray OperationModel::moveRowsPayload(const QList<int>& rows) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (int row : rows) out << qint32(row);
    return bytes;
}

int OperationModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : flow()->operationCount();
}

int OperationModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OperationModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole) return QVariant();
    const Operation* op = operationAt(index.row());
    if (!op) return QVariant();
    switch (index.column()) {
        case TypeColumn:
            return op->displayName();
        case DescriptionColumn:
            return op->description();
        case IntervalColumn:
            return op->interval();
        default:
            // The edit column shows the row buttons, which the delegate paints.
            return QVariant();
    }
}

QVariant OperationModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole) {
        if (orientation == Qt::Vertical) return section + 1;
        switch (section) {
            case TypeColumn:
                return tr("操作类型");
            case DescriptionColumn:
                return tr("描述");
            case IntervalColumn:
                return tr("执行间隔（毫秒）");
            case EditColumn:
                return tr("编辑");
            default:
                break;
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

QStringList OperationModel::mimeTypes() const {
    return {addOperationMimeType, moveRowMimeType};
}

QMimeData* OperationModel::mimeData(const QModelIndexList& indexes) const {
    // Every cell of a selected row is listed; each row counts once, in table order.
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        if (!rows.contains(index.row())) rows << index.row();
    std::sort(rows.begin(), rows.end());
    auto* mime = new QMimeData;
    mime->setData(moveRowMimeType, rows.isEmpty() ? moveRowPayload(-1) : moveRowsPayload(rows));
    return mime;
}

bool OperationModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                  const QModelIndex& parent) {
    Q_UNUSED(column);
    if (action == Qt::IgnoreAction) return true;

    int toRow = rowCount();
    if (parent.isValid())
        toRow = parent.row();
    else if (row >= 0)
        toRow = row;
    qCDebug(appLog) << "row = " << row << "parent.row()=" << parent.row() << "toRow=" << toRow;

    if (!data) return false;
    if (data->hasFormat(addOperationMimeType)) {
        addDroppedOperation(data->data(addOperationMimeType), toRow);
        return true;
    }
    if (data->hasFormat(moveRowMimeType)) {
        moveDroppedRows(data->data(moveRowMimeType), toRow);
        return true;
    }
    return false;
}

void OperationModel::addDroppedOperation(const QByteArray& payload, int toRow) {
    QDataStream in(payload);
    QString typeName;
    QString text;
    in >> typeName >> text;
    std::unique_ptr<Operation> op = OperationFactory::instance()->create(typeName);
    if (!op) return;
    const QString step = tr("添加 %1").arg(op->displayName());
    m_document->insertOperation(toRow, std::move(op), step);
}

void OperationModel::moveDroppedRows(const QByteArray& payload, int toRow) {
    QDataStream in(payload);
    QList<int> rows;
    while (!in.atEnd()) {
        qint32 row = -1;
        in >> row;
        if (in.status() != QDataStream::Ok) return;  // a short payload would read as row 0
        if (row < 0 || row >= rowCount()) return;
        rows << row;
    }
    if (rows.isEmpty() || toRow > rowCount()) return;
    m_document->moveOperations(rows, toRow);
}

Qt::DropActions OperationModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::ItemFlags OperationModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}
