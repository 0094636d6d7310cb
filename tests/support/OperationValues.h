#pragma once

#include <QMetaProperty>
#include <QPoint>
#include <QRegularExpression>
#include <QStringList>
#include <memory>
#include <vector>

#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"

// Operations written as text, "mouse_move interval=50 position=(1,2)": the type name,
// then properties set through the meta-object as the property browser sets them.
// Values: integers (0x.. too), points (x,y), strings in brackets, <null> for a null one.
class OperationValues {
public:
    // Null when the type is unknown or a value cannot be set.
    static std::unique_ptr<Operation> make(const QString& text) {
        std::unique_ptr<Operation> op;
        const QString type = text.section(' ', 0, 0);
        if (type == "key_input") op.reset(new KeyboardOperation);
        if (type == "mouse_click") op.reset(new MouseClickOperation);
        if (type == "mouse_move") op.reset(new MouseMoveOperation);
        if (type == "text_input") op.reset(new TextInputOperation);
        static const QRegularExpression property("(\\w+)=(\\[[^\\]]*\\]|\\S+)");
        for (auto it = property.globalMatch(text, type.size()); op && it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString v = m.captured(2), inner = v.mid(1, v.size() - 2);
            QVariant value = v.toInt(nullptr, 0);
            if (v.startsWith('[')) value = inner;
            if (v == "<null>") value = QString();
            if (v.startsWith('('))
                value = QPoint(inner.section(',', 0, 0).toInt(), inner.section(',', 1).toInt());
            if (m.captured(1) == "modifiers")
                value = QVariant::fromValue(Qt::KeyboardModifiers(value.toInt()));
            if (!op->setProperty(qPrintable(m.captured(1)), value)) return nullptr;
        }
        return op;
    }

    // The same text for an operation: its properties but the object name, in declared order.
    static QString describe(const Operation* op) {
        QStringList out{op->typeName()};
        const QMetaObject* mo = op->metaObject();
        for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
            const QVariant v = mo->property(i).read(op);
            QString text = v.toString();
            if (v.userType() == QMetaType::QString)
                text = text.isNull() ? "<null>" : '[' + text + ']';
            if (v.userType() == QMetaType::QPoint)
                text = QStringLiteral("(%1,%2)").arg(v.toPoint().x()).arg(v.toPoint().y());
            if (v.userType() == qMetaTypeId<Qt::KeyboardModifiers>())
                text = QStringLiteral("0x%1").arg(uint(v.value<Qt::KeyboardModifiers>()), 0, 16);
            out << QString(mo->property(i).name()) + '=' + text;
        }
        return out.join(' ');
    }

    // Owned by the caller: the program's own live until exit, which the leak checker reports.
    static std::vector<std::unique_ptr<Operation>> registerOwnedPrototypes() {
        std::vector<std::unique_ptr<Operation>> owned;
        for (const char* type : {"mouse_click", "mouse_move", "key_input", "text_input"}) {
            owned.emplace_back(make(type));
            OperationFactory::instance()->registerOperation(owned.back().get());
        }
        return owned;
    }
};
