#include "document/ChangeValuesCommand.h"

#include "document/FlowDocument.h"
#include "model/Flow.h"

ChangeValuesCommand::ChangeValuesCommand(FlowDocument* document, int row, QVector<Change> changes,
                                         const QString& text)
    : QUndoCommand(text), m_document(document), m_row(row), m_changes(std::move(changes)) {}

bool ChangeValuesCommand::sameValue(const QVariant& a, const QVariant& b) {
    if (a.userType() != b.userType() || a != b) return false;
    return a.userType() != QMetaType::QString || a.toString().isNull() == b.toString().isNull();
}

void ChangeValuesCommand::write(bool after) {
    Flow* flow = m_document->flow();
    for (const Change& change : qAsConst(m_changes)) {
        const QVariant& value = after ? change.after : change.before;
        if (m_row == kFlowRow)
            flow->setProperty(change.property.constData(), value);
        else
            flow->setOperationValue(m_row, change.property.constData(), value);
    }
}

void ChangeValuesCommand::redo() {
    write(true);
}

void ChangeValuesCommand::undo() {
    write(false);
}

int ChangeValuesCommand::id() const {
    return 1;
}

bool ChangeValuesCommand::mergeWith(const QUndoCommand* other) {
    const auto* next = static_cast<const ChangeValuesCommand*>(other);
    if (next->m_row != m_row || next->m_changes.size() != m_changes.size()) return false;
    for (int i = 0; i < m_changes.size(); ++i)
        if (next->m_changes.at(i).property != m_changes.at(i).property) return false;
    bool unchanged = true;
    for (int i = 0; i < m_changes.size(); ++i) {
        m_changes[i].after = next->m_changes.at(i).after;
        unchanged = unchanged && sameValue(m_changes.at(i).before, m_changes.at(i).after);
    }
    setObsolete(unchanged);
    return true;
}
