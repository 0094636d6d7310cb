#include "model/FlowJson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cmath>
#include <limits>
#include <memory>

#include "model/Flow.h"
#include "model/InputHelpers.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"

namespace {

QByteArray quoted(const QString& s) {
    if (s.isNull()) return "null";
    QByteArray out = "\"";
    for (int i = 0; i < s.size(); ++i) {
        const QChar c = s.at(i);
        const ushort u = c.unicode();
        const bool pairStart =
            c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate();
        if (pairStart) {
            out += QString(s.mid(i, 2)).toUtf8();
            ++i;
        } else if (c.isSurrogate() || u < 0x20 || u == 0x7f) {
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0')).toLatin1();
        } else if (u == '"' || u == '\\') {
            out += '\\';
            out += char(u);
        } else {
            out += QString(c).toUtf8();
        }
    }
    return out + "\"";
}

QByteArray modifiersArray(Qt::KeyboardModifiers mods) {
    QByteArrayList items;
    quint32 rest = quint32(mods);
    for (const ModifierKey& m : kModifierKeys) {
        if (mods & m.flag) items << QByteArray("\"") + m.text + "\"";
        rest &= ~quint32(m.flag);
    }
    // Bits the editor never sets are kept as one number so nothing read is lost.
    if (rest) items << QByteArray::number(qint32(rest));
    return "[" + items.join(", ") + "]";
}

QByteArray position(const QPoint& p) {
    return "{\"x\": " + QByteArray::number(p.x()) + ", \"y\": " + QByteArray::number(p.y()) + "}";
}

QByteArray operationJson(const Operation* op) {
    QByteArray o = "{\"type\": " + quoted(op->typeName()) +
                   ", \"interval\": " + QByteArray::number(op->interval());
    if (auto* k = qobject_cast<const KeyboardOperation*>(op)) {
        o += ", \"eventType\": " + QByteArray::number(k->eventType()) +
             ", \"key\": " + quoted(k->key()) +
             ", \"modifiers\": " + modifiersArray(k->modifiers());
    } else if (auto* c = qobject_cast<const MouseClickOperation*>(op)) {
        o += ", \"position\": " + position(c->position()) +
             ", \"clickType\": " + QByteArray::number(c->clickType()) +
             ", \"clickButton\": " + QByteArray::number(c->clickButton());
    } else if (auto* m = qobject_cast<const MouseMoveOperation*>(op)) {
        o += ", \"position\": " + position(m->position());
    } else if (auto* t = qobject_cast<const TextInputOperation*>(op)) {
        o += ", \"text\": " + quoted(t->text());
    }
    return o + "}";
}

// Reads fields of one JSON object, remembering the path for error messages.
class Reader {
public:
    Reader(const QJsonObject& object, QString path, QString* error)
        : m_object(object), m_path(std::move(path)), m_error(error) {}

    // Refuses keys the schema does not have, so a misspelt field is named, not ignored.
    bool onlyKeys(std::initializer_list<const char*> keys) const {
        for (const QString& k : m_object.keys()) {
            bool known = false;
            for (const char* allowed : keys) known = known || k == QLatin1String(allowed);
            if (!known) return fail(k, "unknown field");
        }
        return true;
    }
    bool string(const char* key, QString* out) const {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined()) return fail(key, "missing");
        if (v.isNull()) {
            *out = QString();
            return true;
        }
        if (!v.isString()) return fail(key, "expected a string or null");
        *out = v.toString();
        if (out->isNull()) *out = QLatin1String("");  // "" stays empty, not null
        return true;
    }
    bool integer(const char* key, int* out) const {
        const QJsonValue v = m_object.value(QLatin1String(key));
        return toInt(v, key, out);
    }
    bool point(const char* key, QPoint* out) const {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined()) return fail(key, "missing");
        if (!v.isObject()) return fail(key, "expected an object {\"x\": i, \"y\": i}");
        Reader inner(v.toObject(), field(key), m_error);
        if (!inner.onlyKeys({"x", "y"})) return false;
        int x = 0, y = 0;
        if (!inner.integer("x", &x) || !inner.integer("y", &y)) return false;
        *out = QPoint(x, y);
        return true;
    }
    bool modifiers(const char* key, Qt::KeyboardModifiers* out) const {
        const QJsonValue v = m_object.value(QLatin1String(key));
        if (v.isUndefined()) return fail(key, "missing");
        if (!v.isArray())
            return fail(key, "expected an array of \"Shift\", \"Ctrl\", \"Alt\", \"Win\"");
        quint32 bits = 0;
        const QJsonArray items = v.toArray();
        for (int i = 0; i < items.size(); ++i) {
            const QString item = QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i);
            if (items.at(i).isString()) {
                bool known = false;
                for (const ModifierKey& m : kModifierKeys) {
                    if (items.at(i).toString() == QLatin1String(m.text)) {
                        bits |= quint32(m.flag);
                        known = true;
                    }
                }
                if (!known) return fail(item, "unknown modifier; expected Shift, Ctrl, Alt or Win");
            } else {
                int raw = 0;
                if (!toInt(items.at(i), item, &raw)) return false;
                bits |= quint32(raw);
            }
        }
        *out = Qt::KeyboardModifiers(int(bits));
        return true;
    }
    bool fail(const QString& key, const char* what) const {
        *m_error = field(key) + QStringLiteral(": ") + QLatin1String(what);
        return false;
    }
    QString field(const QString& key) const {
        return m_path.isEmpty() ? key : m_path + QLatin1Char('.') + key;
    }

private:
    bool toInt(const QJsonValue& v, const QString& key, int* out) const {
        if (v.isUndefined()) return fail(key, "missing");
        const double d = v.toDouble(std::nan(""));
        if (!v.isDouble() || std::floor(d) != d || d < std::numeric_limits<qint32>::min() ||
            d > std::numeric_limits<qint32>::max())
            return fail(key, "expected a 32-bit integer");
        *out = int(d);
        return true;
    }

    QJsonObject m_object;
    QString m_path;
    QString* m_error;
};

std::unique_ptr<Operation> readOperation(const QJsonValue& value, const QString& path,
                                         QString* error) {
    if (!value.isObject()) {
        *error = path + QStringLiteral(": expected an object");
        return nullptr;
    }
    Reader r(value.toObject(), path, error);
    QString type;
    if (!r.string("type", &type)) return nullptr;
    std::unique_ptr<Operation> guard = OperationFactory::instance()->create(type);
    Operation* op = guard.get();
    if (!op) {
        r.fail(QStringLiteral("type"),
               "unknown operation type; expected key_input, mouse_click, mouse_move or text_input");
        return nullptr;
    }
    const bool knownKeys =
        qobject_cast<KeyboardOperation*>(op)
            ? r.onlyKeys({"type", "interval", "eventType", "key", "modifiers"})
        : qobject_cast<MouseClickOperation*>(op)
            ? r.onlyKeys({"type", "interval", "position", "clickType", "clickButton"})
        : qobject_cast<MouseMoveOperation*>(op) ? r.onlyKeys({"type", "interval", "position"})
                                                : r.onlyKeys({"type", "interval", "text"});
    if (!knownKeys) return nullptr;
    int interval = 0;
    if (!r.integer("interval", &interval)) return nullptr;
    op->setInterval(interval);
    if (auto* k = qobject_cast<KeyboardOperation*>(op)) {
        int eventType = 0;
        QString key;
        Qt::KeyboardModifiers mods;
        if (!r.integer("eventType", &eventType) || !r.string("key", &key) ||
            !r.modifiers("modifiers", &mods))
            return nullptr;
        k->setEventType(eventType);
        k->setKey(key);
        k->setModifiers(mods);
    } else if (auto* c = qobject_cast<MouseClickOperation*>(op)) {
        QPoint p;
        int clickType = 0, button = 0;
        if (!r.point("position", &p) || !r.integer("clickType", &clickType) ||
            !r.integer("clickButton", &button))
            return nullptr;
        c->setPosition(p);
        c->setClickType(clickType);
        c->setClickButton(button);
    } else if (auto* m = qobject_cast<MouseMoveOperation*>(op)) {
        QPoint p;
        if (!r.point("position", &p)) return nullptr;
        m->setPosition(p);
    } else if (auto* t = qobject_cast<TextInputOperation*>(op)) {
        QString text;
        if (!r.string("text", &text)) return nullptr;
        t->setText(text);
    }
    return guard;
}

// The "operations" array, one operation a line.
QByteArray operationsArray(const QList<Operation*>& ops) {
    QByteArray out = "[";
    for (int i = 0; i < ops.size(); ++i) out += (i ? ",\n  " : "\n  ") + operationJson(ops.at(i));
    return out + (ops.isEmpty() ? "]" : "\n ]");
}

bool readOperationsArray(const QJsonValue& value, Reader& parent,
                         std::vector<std::unique_ptr<Operation>>* ops, QString* error) {
    if (!value.isArray()) return parent.fail(QStringLiteral("operations"), "expected an array");
    const QJsonArray items = value.toArray();
    for (int i = 0; i < items.size(); ++i) {
        std::unique_ptr<Operation> op =
            readOperation(items.at(i), QStringLiteral("operations[%1]").arg(i), error);
        if (!op) return false;
        ops->push_back(std::move(op));
    }
    return true;
}

QJsonDocument parse(const QByteArray& json, QString* error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull())
        *error = QStringLiteral("not valid JSON at offset %1: %2")
                     .arg(parseError.offset)
                     .arg(parseError.errorString());
    return doc;
}

const std::initializer_list<const char*> kFlowKeys = {
    "name", "description", "hotkey", "createTime", "lastModifiedTime", "operations"};

}  // namespace

QByteArray FlowJson::write(const Flow& flow) {
    return "{\"name\": " + quoted(flow.name()) +
           ",\n \"description\": " + quoted(flow.description()) +
           ",\n \"hotkey\": " + quoted(flow.hotkey) +
           ",\n \"createTime\": " + quoted(flow.createTime()) +
           ",\n \"lastModifiedTime\": " + quoted(flow.lastModifiedTime()) +
           ",\n \"operations\": " + operationsArray(flow.operations()) + "}\n";
}

bool FlowJson::read(const QByteArray& json, Flow* flow, QString* error) {
    const QJsonDocument doc = parse(json, error);
    if (doc.isNull()) return false;
    if (!doc.isObject()) {
        *error = QStringLiteral("the document must be a JSON object");
        return false;
    }
    const QJsonObject root = doc.object();
    Reader r(root, QString(), error);
    if (!r.onlyKeys(kFlowKeys)) return false;
    QString name, description, hotkey, created, modified;
    if (!r.string("name", &name) || !r.string("description", &description) ||
        !r.string("hotkey", &hotkey) || !r.string("createTime", &created) ||
        !r.string("lastModifiedTime", &modified))
        return false;
    std::vector<std::unique_ptr<Operation>> ops;
    if (!readOperationsArray(root.value(QLatin1String("operations")), r, &ops, error)) return false;
    flow->setHeader(name, description, hotkey, created, modified);
    flow->insertOperations(flow->operationCount(), std::move(ops));
    return true;
}

QByteArray FlowJson::writeOperations(const QList<Operation*>& ops) {
    return "{\"operations\": " + operationsArray(ops) + "}\n";
}

bool FlowJson::readOperations(const QByteArray& json, std::vector<std::unique_ptr<Operation>>* ops,
                              QString* error) {
    const QJsonDocument doc = parse(json, error);
    if (doc.isNull()) return false;
    Reader r(doc.object(), QString(), error);
    if (doc.isArray()) return readOperationsArray(doc.array(), r, ops, error);
    // The header of a whole flow may come along; only its operations are taken.
    return r.onlyKeys(kFlowKeys) &&
           readOperationsArray(doc.object().value(QLatin1String("operations")), r, ops, error);
}
