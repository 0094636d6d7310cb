#pragma once

#include "model/Operation.h"

// Presses, releases or taps one named key, with modifier keys around it.
class KeyboardOperation : public Operation {
    Q_OBJECT
    Q_PROPERTY(int eventType READ eventType WRITE setEventType)
    Q_PROPERTY(QString key READ key WRITE setKey)
    Q_PROPERTY(Qt::KeyboardModifiers modifiers READ modifiers WRITE setModifiers)
    Q_CLASSINFO("prop_eventType", "按键动作")
    Q_CLASSINFO("editor_eventType", "COMBO")
    Q_CLASSINFO("choices_eventType", "按下|抬起|敲击（按下+抬起）")
    Q_CLASSINFO("prop_key", "按键")
    Q_CLASSINFO("prop_modifiers", "修饰键")
    Q_CLASSINFO("editor_modifiers", "FLAG")
    Q_CLASSINFO("flagnames_modifiers", "Shift|Ctrl|Alt|Win")
public:
    enum EventType { Press = 0, Release = 1, Tap = 2 };

    explicit KeyboardOperation(QObject* parent = nullptr);

    int eventType() const { return m_eventType; }
    void setEventType(int type) { m_eventType = type; }
    QString key() const { return m_key; }
    void setKey(const QString& name) { m_key = name; }
    Qt::KeyboardModifiers modifiers() const { return m_modifiers; }
    void setModifiers(Qt::KeyboardModifiers m) { m_modifiers = m; }

    QString category() const override;
    QString typeName() const override;
    QString displayName() const override;
    QString iconPath() const override;
    void execute() override;
    void writeTo(QDataStream& stream) const override;
    void readFrom(QDataStream& stream) override;
    QString description() const override;
    std::unique_ptr<Operation> clone() const override;

private:
    int m_eventType = Press;
    QString m_key = QLatin1String("");  // empty, not null
    Qt::KeyboardModifiers m_modifiers;
};
