#pragma once

#include <QAbstractTableModel>
#include <QString>

class Flow;
class Operation;

// The flow being edited as a four-column table (type, description, interval, row
// buttons), one row per operation. Owns the flow, and is the drop target for new
// operations dragged from the palette and for rows dragged within the table.
class OperationModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Payload: two QStrings, the type name and the palette entry's text.
    static const QString addOperationMimeType;
    // Payload: one qint32, the dragged row.
    static const QString moveRowMimeType;

    enum Column { TypeColumn = 0, DescriptionColumn, IntervalColumn, EditColumn, ColumnCount };

    explicit OperationModel(QObject* parent = nullptr);
    ~OperationModel() override;

    Flow* flow() const { return m_flow; }

    // Where the flow is loaded from and saved to; the model itself never reads it.
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString& filePath) { m_filePath = filePath; }

    // Takes `op` over when 0 <= row <= rowCount(); otherwise does nothing.
    void insertOperation(int row, Operation* op);
    // Deletes the operation of `row`, if there is such a row.
    void removeOperation(int row);
    // Inserts an independent copy of `row` (without a QObject parent) just below it.
    void copyOperation(int row);
    // The operation shown in `row`, or null.
    Operation* operationAt(int row) const;

    // The bytes of the two drag-and-drop formats, as QDataStream writes them by default.
    static QByteArray addOperationPayload(const QString& typeName, const QString& text);
    static QByteArray moveRowPayload(qint32 row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // Any change of content: rows added, removed or moved, or values edited.
    void sigDataChanged();

private:
    void addDroppedOperation(const QByteArray& payload, int toRow);
    void moveDroppedRow(const QByteArray& payload, int toRow);

    Flow* m_flow = nullptr;
    QString m_filePath;
};
