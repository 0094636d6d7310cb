#include "model/KeyboardOperation.h"

#include "model/InputHelpers.h"
#include "model/KeyNames.h"

KeyboardOperation::KeyboardOperation(QObject* parent) : Operation(parent) {}

QString KeyboardOperation::category() const {
    return tr("键盘");
}
QString KeyboardOperation::typeName() const {
    return QStringLiteral("key_input");
}
QString KeyboardOperation::displayName() const {
    return tr("输入按键");
}
QString KeyboardOperation::iconPath() const {
    return QStringLiteral(":/optree/res/images/optree/key-input.svg");
}

void KeyboardOperation::execute() {
    // A key of blanks only is not empty: it resolves to 0 and is still sent.
    const bool hasKey = !m_key.isEmpty();
    const quint16 vk = KeyNames::virtualKeyForName(m_key);
    switch (m_eventType) {
        case Press:
            pressModifiers(m_modifiers);
            if (hasKey) sendBatch({InputRecord::key(vk, false)});
            break;
        case Release:
            if (hasKey) sendBatch({InputRecord::key(vk, true)});
            releaseModifiers(m_modifiers);
            break;
        case Tap:
            pressModifiers(m_modifiers);
            if (hasKey) {
                sendBatch({InputRecord::key(vk, false)});
                sendBatch({InputRecord::key(vk, true)});
            }
            releaseModifiers(m_modifiers);
            break;
        default:
            break;  // an event type read from a file that means nothing
    }
}

void KeyboardOperation::writeTo(QDataStream& stream) const {
    stream << qint32(interval()) << qint32(m_eventType) << m_key << qint32(m_modifiers);
}

void KeyboardOperation::readFrom(QDataStream& stream) {
    qint32 ms = 0, type = 0, modifierBits = 0;
    stream >> ms >> type >> m_key >> modifierBits;
    setInterval(ms);
    m_eventType = type;
    m_modifiers = Qt::KeyboardModifiers(modifierBits);
}

QString KeyboardOperation::description() const {
    const QString action = m_eventType == Press     ? QStringLiteral("按下")
                           : m_eventType == Release ? QStringLiteral("抬起")
                                                    : QStringLiteral("敲击");
    const QString m = modifiersToText(m_modifiers);
    if (m_key.isEmpty()) return tr("%1: %2 %3").arg(displayName(), action, m);
    if (!m.isEmpty()) return tr("%1: %2 %3+%4").arg(displayName(), action, m, m_key);
    return tr("%1: %2 %3").arg(displayName(), action, m_key);
}

std::unique_ptr<Operation> KeyboardOperation::clone() const {
    auto copy = std::make_unique<KeyboardOperation>();
    copy->setInterval(interval());
    copy->m_eventType = m_eventType;
    copy->m_key = m_key;
    copy->m_modifiers = m_modifiers;
    return copy;
}
