#include "document/FlowDocument.h"

#include <QMetaProperty>
#include <QUndoStack>
#include <algorithm>

#include "document/ChangeValuesCommand.h"
#include "document/InsertOperationsCommand.h"
#include "document/MoveOperationsCommand.h"
#include "document/OperationMime.h"
#include "document/RemoveOperationsCommand.h"
#include "model/Flow.h"
#include "model/Operation.h"

FlowDocument::FlowDocument(QObject* parent)
    : QObject(parent), m_flow(std::make_unique<Flow>()), m_undoStack(new QUndoStack(this)) {
    connect(m_undoStack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { emit modifiedChanged(!clean); });
}

FlowDocument::~FlowDocument() {
    // The commands refer to the flow: they go first, and the stack's farewell (clean
    // again) is nobody's business.
    m_undoStack->disconnect(this);
    delete m_undoStack;
}

bool FlowDocument::load() {
    m_undoStack->clear();
    return m_flow->load(m_filePath);
}

bool FlowDocument::save() {
    if (m_filePath.isEmpty() || !m_flow->save(m_filePath)) return false;
    m_undoStack->setClean();
    return true;
}

bool FlowDocument::isModified() const {
    return !m_undoStack->isClean();
}

QList<int> FlowDocument::validRows(QList<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int r) { return r < 0 || r >= m_flow->operationCount(); }),
               rows.end());
    return rows;
}

bool FlowDocument::insertOperations(int row, std::vector<std::unique_ptr<Operation>> ops,
                                    const QString& text) {
    if (ops.empty() || row < 0 || row > m_flow->operationCount()) return false;
    const int count = int(ops.size());
    m_undoStack->push(new InsertOperationsCommand(
        this, row, std::move(ops), text.isEmpty() ? tr("插入 %1 行").arg(count) : text));
    return true;
}

bool FlowDocument::insertOperation(int row, std::unique_ptr<Operation> op, const QString& text) {
    std::vector<std::unique_ptr<Operation>> one;
    one.push_back(std::move(op));
    return insertOperations(row, std::move(one), text);
}

bool FlowDocument::removeOperations(const QList<int>& rows, const QString& text) {
    const QList<int> valid = validRows(rows);
    if (valid.isEmpty()) return false;
    m_undoStack->push(new RemoveOperationsCommand(
        this, valid, text.isEmpty() ? tr("删除 %1 行").arg(valid.size()) : text));
    return true;
}

bool FlowDocument::moveOperations(const QList<int>& rows, int to) {
    const QList<int> valid = validRows(rows);
    if (valid.isEmpty() || to < 0 || to > m_flow->operationCount()) return false;
    auto move = std::make_unique<MoveOperationsCommand>(this, valid, to,
                                                        tr("移动 %1 行").arg(valid.size()));
    if (move->movesNothing()) return false;
    m_undoStack->push(move.release());
    return true;
}

bool FlowDocument::duplicateOperations(const QList<int>& rows) {
    const QList<int> valid = validRows(rows);
    if (valid.isEmpty()) return false;
    std::vector<std::unique_ptr<Operation>> copies;
    for (int row : valid) copies.push_back(m_flow->operationAt(row)->clone());
    return insertOperations(valid.last() + 1, std::move(copies),
                            tr("复制 %1 行").arg(valid.size()));
}

bool FlowDocument::pasteOperations(int row, const QMimeData* data, QString* whyNot) {
    std::vector<std::unique_ptr<Operation>> ops = OperationMime::decode(data, whyNot);
    const int count = int(ops.size());
    return count && insertOperations(row, std::move(ops), tr("粘贴 %1 行").arg(count));
}

bool FlowDocument::setValues(QObject* target, const QVariantMap& values, const QString& label) {
    if (!target) return false;
    const bool isFlow = target == m_flow.get();
    const int row =
        isFlow ? ChangeValuesCommand::kFlowRow : m_flow->indexOf(qobject_cast<Operation*>(target));
    if (!isFlow && row < 0) return false;
    QVector<ChangeValuesCommand::Change> changes;
    bool changing = false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QByteArray name = it.key().toLatin1();
        const QMetaObject* meta = target->metaObject();
        const int index = meta->indexOfProperty(name.constData());
        if (index < 0 || !meta->property(index).isWritable()) return false;
        const QVariant before = target->property(name.constData());
        QVariant after = it.value();
        // Stored as the property's own type, so "unchanged" compares like with like.
        if (!after.convert(before.userType())) return false;
        changing = changing || !ChangeValuesCommand::sameValue(before, after);
        changes.append({name, before, after});
    }
    if (!changing) return false;
    m_undoStack->push(new ChangeValuesCommand(this, row, changes, tr("修改 %1").arg(label)));
    return true;
}
