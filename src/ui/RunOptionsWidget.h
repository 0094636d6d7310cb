#pragma once

#include <QWidget>

#include "runner/RunOptions.h"

class QDoubleSpinBox;
class QSpinBox;

// The run options of the ribbon's 调试 panel: how often, how fast and from which row the
// flow replays. They belong to the user, not to the flow: remembered in the settings
// store, each change at once.
class RunOptionsWidget : public QWidget {
    Q_OBJECT
public:
    explicit RunOptionsWidget(QWidget* parent = nullptr);

    RunOptions options() const;
    void setOptions(const RunOptions& options);
    // "重复 3 遍，速度 2 倍，从第 5 行开始" or the like.
    static QString describe(const RunOptions& options);

    QSpinBox* repeatBox() const { return m_repeat; }
    QDoubleSpinBox* speedBox() const { return m_speed; }
    QSpinBox* fromRowBox() const { return m_fromRow; }

signals:
    void changed();

private:
    void save();

    QSpinBox* m_repeat;
    QDoubleSpinBox* m_speed;
    QSpinBox* m_fromRow;
};
