#include "platform/x11/XSettings.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {
class Reader {
public:
    explicit Reader(const QByteArray& bytes)
        : m_bytes(bytes), m_bigEndian(!bytes.isEmpty() && bytes.at(0) == 1) {}
    bool has(int count) const { return m_pos + count <= m_bytes.size(); }
    quint32 number(int size) {
        quint32 v = 0;
        for (int i = 0; i < size; ++i) {
            const quint32 byte = quint8(m_bytes.at(m_pos + (m_bigEndian ? i : size - 1 - i)));
            v = (v << 8) | byte;
        }
        m_pos += size;
        return v;
    }
    QByteArray text(int size) {
        const QByteArray t = m_bytes.mid(m_pos, size);
        m_pos += (size + 3) & ~3;  // padded to four bytes
        return t;
    }
    void skip(int count) { m_pos += count; }

private:
    const QByteArray& m_bytes;
    const bool m_bigEndian;
    int m_pos = 0;
};
}  // namespace

QHash<QByteArray, int> XSettings::parse(const QByteArray& bytes) {
    // Byte order, three bytes padding, serial, count; then each setting: type, pad,
    // name length, name, last-change serial, value.
    QHash<QByteArray, int> result;
    Reader r(bytes);
    if (!r.has(12)) return result;
    r.skip(8);
    const quint32 count = r.number(4);
    for (quint32 i = 0; i < count && r.has(4); ++i) {
        const quint32 type = r.number(1);
        r.skip(1);
        const int nameLength = int(r.number(2));
        if (!r.has(((nameLength + 3) & ~3) + 4)) break;
        const QByteArray name = r.text(nameLength);
        r.skip(4);
        if (type == 0 && r.has(4)) {
            result.insert(name, qint32(r.number(4)));
        } else if (type == 1 && r.has(4)) {
            const int length = int(r.number(4));
            if (length < 0 || !r.has(length)) break;
            r.text(length);
        } else if (type == 2 && r.has(8)) {
            r.skip(8);
        } else {
            break;
        }
    }
    return result;
}

QHash<QByteArray, int> XSettings::integers(Display* dpy) {
    const QByteArray selection = "_XSETTINGS_S" + QByteArray::number(DefaultScreen(dpy));
    const Window owner = XGetSelectionOwner(dpy, XInternAtom(dpy, selection.constData(), False));
    if (owner == None) return {};
    const Atom property = XInternAtom(dpy, "_XSETTINGS_SETTINGS", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    // The owner may be gone by now; our connections survive the error.
    if (XGetWindowProperty(dpy, owner, property, 0, 1 << 16, False, property, &type, &format,
                           &count, &after, &data) != Success ||
        !data)
        return {};
    const QByteArray bytes(reinterpret_cast<const char*>(data), format == 8 ? int(count) : 0);
    XFree(data);
    return parse(bytes);
}
