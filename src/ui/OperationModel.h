#pragma once

#include <QAbstractTableModel>
#include <QString>

class Flow;
class FlowDocument;
class Operation;

// The flow being edited as a four-column table (type, description, interval, row
// buttons), one row per operation. A view of the document: it follows the flow's
// signals, and turns drops (new operations from the palette, rows dragged within the
// table) into edits of the document.
class OperationModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Payload: two QStrings, the type name and the palette entry's text.
    static const QString addOperationMimeType;
    // Payload: the dragged rows, one qint32 each (a single row: exactly 4 bytes).
    static const QString moveRowMimeType;

    enum Column { TypeColumn = 0, DescriptionColumn, IntervalColumn, EditColumn, ColumnCount };

    explicit OperationModel(FlowDocument* document, QObject* parent = nullptr);

    FlowDocument* document() const { return m_document; }
    Flow* flow() const;
    // Where the flow is loaded from and saved to.
    QString filePath() const;
    // The operation shown in `row`, or null.
    Operation* operationAt(int row) const;

    // The bytes of the two drag-and-drop formats, as QDataStream writes them by default.
    static QByteArray addOperationPayload(const QString& typeName, const QString& text);
    static QByteArray moveRowPayload(qint32 row);
    static QByteArray moveRowsPayload(const QList<int>& rows);

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
    void followFlow();
    void addDroppedOperation(const QByteArray& payload, int toRow);
    void moveDroppedRows(const QByteArray& payload, int toRow);

    FlowDocument* m_document;
};
