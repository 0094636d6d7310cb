#include "document/FlowDocument.h"

#include <algorithm>

#include "document/OperationMime.h"
#include "model/Flow.h"
#include "model/Operation.h"

FlowDocument::FlowDocument(QObject* parent) : QObject(parent), m_flow(std::make_unique<Flow>()) {}

FlowDocument::~FlowDocument() = default;

bool FlowDocument::load() {
    return m_flow->load(m_filePath);
}

bool FlowDocument::save() {
    return !m_filePath.isEmpty() && m_flow->save(m_filePath);
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
    Q_UNUSED(text);
    const int count = int(ops.size());
    if (!m_flow->insertOperations(row, std::move(ops))) return false;
    if (count) emit rowsPlaced(row, count);
    return true;
}

bool FlowDocument::insertOperation(int row, std::unique_ptr<Operation> op, const QString& text) {
    std::vector<std::unique_ptr<Operation>> one;
    one.push_back(std::move(op));
    return insertOperations(row, std::move(one), text);
}

void FlowDocument::removeOperations(const QList<int>& rows, const QString& text) {
    Q_UNUSED(text);
    const QList<int> valid = validRows(rows);
    // From the bottom up, a run of adjacent rows at a time.
    for (int end = valid.size(); end > 0;) {
        int begin = end - 1;
        while (begin > 0 && valid.at(begin - 1) == valid.at(begin) - 1) --begin;
        m_flow->takeOperations(valid.at(begin), end - begin);
        end = begin;
    }
}

namespace {
// Single-row moves that take the ascending `rows` together to the place before `to`,
// starting at row `first`. Rows above the target go down last-first, rows below it go
// up first-first, so no step disturbs a row already in place.
QList<QPair<int, int>> moveSteps(const QList<int>& rows, int to, int* first) {
    const int above = int(std::count_if(rows.begin(), rows.end(), [to](int r) { return r < to; }));
    *first = to - above;
    QList<QPair<int, int>> steps;
    for (int i = above - 1; i >= 0; --i)
        if (rows.at(i) != *first + i) steps.append({rows.at(i), *first + i});
    for (int i = above; i < rows.size(); ++i)
        if (rows.at(i) != *first + i) steps.append({rows.at(i), *first + i});
    return steps;
}
}  // namespace

void FlowDocument::moveOperations(const QList<int>& rows, int to) {
    const QList<int> valid = validRows(rows);
    if (to < 0 || to > m_flow->operationCount()) return;
    int first = 0;
    const QList<QPair<int, int>> steps = moveSteps(valid, to, &first);
    if (steps.isEmpty()) return;
    for (const auto& step : steps) m_flow->moveOperation(step.first, step.second);
    emit rowsPlaced(first, valid.size());
}

void FlowDocument::duplicateOperations(const QList<int>& rows) {
    const QList<int> valid = validRows(rows);
    if (valid.isEmpty()) return;
    std::vector<std::unique_ptr<Operation>> copies;
    for (int row : valid) copies.push_back(m_flow->operationAt(row)->clone());
    insertOperations(valid.last() + 1, std::move(copies));
}

bool FlowDocument::pasteOperations(int row, const QMimeData* data, QString* whyNot) {
    std::vector<std::unique_ptr<Operation>> ops = OperationMime::decode(data, whyNot);
    return !ops.empty() && insertOperations(row, std::move(ops));
}

bool FlowDocument::setValues(QObject* target, const QVariantMap& values, const QString& label) {
    Q_UNUSED(label);
    const int row = target == m_flow.get() ? -1 : m_flow->indexOf(qobject_cast<Operation*>(target));
    if (!target || (row < 0 && target != m_flow.get())) return false;
    bool written = false;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QByteArray name = it.key().toLatin1();
        written |= row < 0 ? m_flow->setProperty(name.constData(), it.value())
                           : m_flow->setOperationValue(row, name.constData(), it.value());
    }
    return written;
}
