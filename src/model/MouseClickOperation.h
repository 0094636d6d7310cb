#pragma once

#include "model/MouseOperation.h"
#include "platform/InputRecord.h"

// Clicks or double-clicks a button where the pointer is; `position` only describes it.
class MouseClickOperation : public MouseOperation {
    Q_OBJECT
    Q_PROPERTY(int clickType READ clickType WRITE setClickType)
    Q_PROPERTY(int clickButton READ clickButton WRITE setClickButton)
    Q_CLASSINFO("prop_clickType", "点击类型")
    Q_CLASSINFO("editor_clickType", "COMBO")
    Q_CLASSINFO("choices_clickType", "单击|双击")
    Q_CLASSINFO("prop_clickButton", "点击按键")
    Q_CLASSINFO("editor_clickButton", "COMBO")
    Q_CLASSINFO("choices_clickButton", "左键|右键|中键")
public:
    enum ClickType { Single = 0, Double = 1 };
    enum Button { Left = 0, Right = 1, Middle = 2 };

    explicit MouseClickOperation(QObject* parent = nullptr);

    int clickType() const { return m_clickType; }
    void setClickType(int t) { m_clickType = t; }
    int clickButton() const { return m_clickButton; }
    void setClickButton(int b) { m_clickButton = b; }

    QString category() const override;
    QString typeName() const override;
    QString displayName() const override;
    QString iconPath() const override;
    void execute() override;
    void writeTo(QDataStream& stream) const override;
    void readFrom(QDataStream& stream) override;
    QString description() const override;
    std::unique_ptr<Operation> clone() const override;

    // The four records of one click: down, up, then down, up again or two empty ones.
    InputBatch clickRecords() const;

private:
    int m_clickType = Single;
    int m_clickButton = Left;
};
