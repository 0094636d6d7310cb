#pragma once

#include <QByteArray>
#include <QString>

// Builds flow-file bytes by hand, big-endian, without QDataStream, so the tests
// compare the writer and the reader against the format itself.
class FlowBytes {
public:
    static constexpr quint32 kMagic = 0x8E62D879;

    FlowBytes& u32(quint32 value);
    FlowBytes& i32(qint32 value) { return u32(quint32(value)); }
    // Length in bytes, then UTF-16 big-endian; the null string is length 0xFFFFFFFF.
    FlowBytes& str(const QString& text);
    FlowBytes& raw(const QByteArray& bytes);

    // Magic, the five header strings and the record count.
    FlowBytes& header(const QString& name, const QString& description, const QString& hotkey,
                      const QString& created, const QString& modified, qint32 count);
    FlowBytes& keyRecord(qint32 interval, qint32 eventType, const QString& key, qint32 modifiers);
    FlowBytes& clickRecord(qint32 interval, qint32 x, qint32 y, qint32 clickType,
                           qint32 clickButton);
    FlowBytes& moveRecord(qint32 interval, qint32 x, qint32 y);
    FlowBytes& textRecord(qint32 interval, const QString& text);

    QByteArray bytes() const { return data; }
    int size() const { return data.size(); }

    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QByteArray readFile(const QString& path);

private:
    QByteArray data;
};
