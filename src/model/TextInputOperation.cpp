#include "model/TextInputOperation.h"

#include "model/InputHelpers.h"

TextInputOperation::TextInputOperation(QObject* parent) : Operation(parent) {}

QString TextInputOperation::category() const {
    return tr("键盘");
}
QString TextInputOperation::typeName() const {
    return QStringLiteral("text_input");
}
QString TextInputOperation::displayName() const {
    return tr("输入文本");
}
QString TextInputOperation::iconPath() const {
    return QStringLiteral(":/optree/res/images/optree/text-input.svg");
}

void TextInputOperation::execute() {
    // One batch per UTF-16 code unit; a surrogate pair goes as two batches and the
    // backend joins them back into one character. A stop ends a long text between
    // two characters, never between the halves of a pair.
    for (int i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (!c.isLowSurrogate() && stopRequested()) return;
        sendBatch({InputRecord::character(c.unicode(), false),
                   InputRecord::character(c.unicode(), true)});
    }
}

void TextInputOperation::writeTo(QDataStream& stream) const {
    stream << qint32(interval()) << m_text;
}

void TextInputOperation::readFrom(QDataStream& stream) {
    qint32 ms = 0;
    stream >> ms >> m_text;
    setInterval(ms);
}

QString TextInputOperation::description() const {
    return tr("输入文本: %1").arg(m_text);
}

std::unique_ptr<Operation> TextInputOperation::clone() const {
    auto copy = std::make_unique<TextInputOperation>();
    copy->setInterval(interval());
    copy->m_text = m_text;
    return copy;
}
