#include "ui/OperationModel.h"

#include <QDataStream>
#include <QMimeData>

#include "core/AppLog.h"
#include "model/Flow.h"
#include "model/Operation.h"
#include "model/OperationFactory.h"

const QString OperationModel::addOperationMimeType =
    QStringLiteral("application/x-add-operation-to-table");
const QString OperationModel::moveRowMimeType =
    QStringLiteral("application/x-move-row-in-operation-table");

OperationModel::OperationModel(QObject* parent)
    : QAbstractTableModel(parent), m_flow(new Flow(this)) {
    // Every change of content marks the flow modified, whoever made it: the rows
    // changed here, and the property browser's edits re-emitted as dataChanged.
    connect(this, &QAbstractItemModel::dataChanged, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsInserted, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::rowsMoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::columnsInserted, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::columnsRemoved, this, &OperationModel::sigDataChanged);
    connect(this, &QAbstractItemModel::headerDataChanged, this, &OperationModel::sigDataChanged);
}

OperationModel::~OperationModel() {
    delete m_flow;
    m_flow = nullptr;
}

void OperationModel::insertOperation(int row, Operation* op) {
    if (row < 0 || row > rowCount()) return;
    beginInsertRows(QModelIndex(), row, row);
    m_flow->operations.insert(row, op);
    endInsertRows();
}

void OperationModel::removeOperation(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows(QModelIndex(), row, row);
    // Destroyed before the views hear of the removal, as nothing may reach it after.
    delete m_flow->operations.takeAt(row);
    endRemoveRows();
}

void OperationModel::copyOperation(int row) {
    const Operation* source = operationAt(row);
    if (!source) return;
    insertOperation(row + 1, source->clone(nullptr));
}

Operation* OperationModel::operationAt(int row) const {
    if (!m_flow || row < 0 || row >= m_flow->operations.size()) return nullptr;
    return m_flow->operations.at(row);
}

QByteArray OperationModel::addOperationPayload(const QString& typeName, const QString& text) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << typeName << text;
    return bytes;
}

QByteArray OperationModel::moveRowPayload(qint32 row) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << row;
    return bytes;
}

int OperationModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !m_flow) return 0;
    return m_flow->operations.size();
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
    // The view selects single whole rows, so the first cell names the row.
    auto* mime = new QMimeData;
    mime->setData(moveRowMimeType, moveRowPayload(indexes.isEmpty() ? -1 : indexes.first().row()));
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
        moveDroppedRow(data->data(moveRowMimeType), toRow);
        return true;
    }
    return false;
}

void OperationModel::addDroppedOperation(const QByteArray& payload, int toRow) {
    QDataStream in(payload);
    QString typeName;
    QString text;
    in >> typeName >> text;
    // Parented to the model, so an operation that insertOperation refuses is still freed.
    Operation* op = OperationFactory::instance()->create(typeName, this);
    if (op) insertOperation(toRow, op);
}

void OperationModel::moveDroppedRow(const QByteArray& payload, int toRow) {
    QDataStream in(payload);
    qint32 from = -1;
    in >> from;
    if (in.status() != QDataStream::Ok) return;  // a short payload would read as row 0
    const int count = rowCount();
    if (from < 0 || from >= count) return;
    // The target counts rows as if the dragged one were already taken out.
    if (from < toRow) --toRow;
    if (from == toRow || toRow < 0 || toRow >= count) return;
    beginMoveRows(QModelIndex(), from, from, QModelIndex(), toRow > from ? toRow + 1 : toRow);
    m_flow->operations.move(from, toRow);
    endMoveRows();
}

Qt::DropActions OperationModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::ItemFlags OperationModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return QAbstractTableModel::flags(index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}
