#include "FlowBytes.h"

#include <QFile>

FlowBytes& FlowBytes::u32(quint32 value) {
    for (int shift = 24; shift >= 0; shift -= 8) data.append(char((value >> shift) & 0xFF));
    return *this;
}

FlowBytes& FlowBytes::str(const QString& text) {
    if (text.isNull()) return u32(0xFFFFFFFF);
    u32(quint32(text.size()) * 2);
    for (const QChar c : text) {
        data.append(char(c.unicode() >> 8));
        data.append(char(c.unicode() & 0xFF));
    }
    return *this;
}

FlowBytes& FlowBytes::raw(const QByteArray& bytes) {
    data.append(bytes);
    return *this;
}

FlowBytes& FlowBytes::header(const QString& name, const QString& description, const QString& hotkey,
                             const QString& created, const QString& modified, qint32 count) {
    return u32(kMagic).str(name).str(description).str(hotkey).str(created).str(modified).i32(count);
}

FlowBytes& FlowBytes::keyRecord(qint32 interval, qint32 eventType, const QString& key,
                                qint32 modifiers) {
    return str(QStringLiteral("key_input")).i32(interval).i32(eventType).str(key).i32(modifiers);
}

FlowBytes& FlowBytes::clickRecord(qint32 interval, qint32 x, qint32 y, qint32 clickType,
                                  qint32 clickButton) {
    return str(QStringLiteral("mouse_click"))
        .i32(interval)
        .i32(x)
        .i32(y)
        .i32(clickType)
        .i32(clickButton);
}

FlowBytes& FlowBytes::moveRecord(qint32 interval, qint32 x, qint32 y) {
    return str(QStringLiteral("mouse_move")).i32(interval).i32(x).i32(y);
}

FlowBytes& FlowBytes::textRecord(qint32 interval, const QString& text) {
    return str(QStringLiteral("text_input")).i32(interval).str(text);
}

bool FlowBytes::writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(bytes) == bytes.size();
}

QByteArray FlowBytes::readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
