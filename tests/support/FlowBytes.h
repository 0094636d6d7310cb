#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Flow-file bytes built by hand, big-endian, to hold the reader and writer to the format.
class FlowBytes {
public:
    static constexpr quint32 kMagic = 0x8E62D879;

    FlowBytes& u32(quint32 value) {
        for (int shift = 24; shift >= 0; shift -= 8) m_data.append(char((value >> shift) & 0xFF));
        return *this;
    }
    FlowBytes& ints(std::initializer_list<qint32> values) {
        for (qint32 v : values) u32(quint32(v));
        return *this;
    }
    // Length in bytes, then UTF-16 big-endian; a null string is the length 0xFFFFFFFF.
    FlowBytes& str(const QString& text) {
        if (text.isNull()) return u32(0xFFFFFFFF);
        u32(quint32(text.size()) * 2);
        for (const QChar c : text) m_data.append(char(c.unicode() >> 8)).append(char(c.unicode()));
        return *this;
    }
    // The magic, the five header strings and the record count.
    FlowBytes& header(const QString& name, const QString& description, const QString& hotkey,
                      const QString& created, const QString& modified, qint32 count) {
        u32(kMagic).str(name).str(description).str(hotkey).str(created).str(modified);
        return ints({count});
    }
    QByteArray bytes() const { return m_data; }

    static bool writeFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QByteArray m_data;
};
