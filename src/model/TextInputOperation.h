#pragma once

#include "model/Operation.h"

// Types a text as characters, whatever the keyboard layout.
class TextInputOperation : public Operation {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_CLASSINFO("prop_text", "输入内容")
public:
    explicit TextInputOperation(QObject* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& t) { m_text = t; }

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
    QString m_text;  // null until edited; the file keeps null and empty apart
};
