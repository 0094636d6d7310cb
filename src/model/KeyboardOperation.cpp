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
    const bool hasKey = !keyName.isEmpty();
    const quint16 vk = KeyNames::virtualKeyForName(keyName);
    switch (event) {
        case Press:
            pressModifiers(mods);
            if (hasKey) sendBatch({InputRecord::key(vk, false)});
            break;
        case Release:
            if (hasKey) sendBatch({InputRecord::key(vk, true)});
            releaseModifiers(mods);
            break;
        case Tap:
            pressModifiers(mods);
            if (hasKey) {
                sendBatch({InputRecord::key(vk, false)});
                sendBatch({InputRecord::key(vk, true)});
            }
            releaseModifiers(mods);
            break;
        default:
            break;  // an event type read from a file that means nothing
    }
}

void KeyboardOperation::writeTo(QDataStream& stream) const {
    stream << qint32(interval()) << qint32(event) << keyName << qint32(mods);
}

void KeyboardOperation::readFrom(QDataStream& stream) {
    qint32 ms = 0, type = 0, modifierBits = 0;
    stream >> ms >> type >> keyName >> modifierBits;
    setInterval(ms);
    event = type;
    mods = Qt::KeyboardModifiers(modifierBits);
}

QString KeyboardOperation::description() const {
    const QString action = event == Press     ? QStringLiteral("按下")
                           : event == Release ? QStringLiteral("抬起")
                                              : QStringLiteral("敲击");
    const QString m = modifiersToText(mods);
    if (keyName.isEmpty()) return tr("%1: %2 %3").arg(displayName(), action, m);
    if (!m.isEmpty()) return tr("%1: %2 %3+%4").arg(displayName(), action, m, keyName);
    return tr("%1: %2 %3").arg(displayName(), action, keyName);
}

Operation* KeyboardOperation::clone(QObject* parent) const {
    auto* copy = new KeyboardOperation;
    copy->setInterval(interval());
    copy->event = event;
    copy->keyName = keyName;
    copy->mods = mods;
    copy->setParent(parent);
    return copy;
}
