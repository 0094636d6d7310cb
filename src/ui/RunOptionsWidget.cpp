#include "ui/RunOptionsWidget.h"

#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>

#include "core/AppConfig.h"

namespace {
const QString kRepeatKey = QStringLiteral("Run/Repeat");
const QString kSpeedKey = QStringLiteral("Run/Speed");
const QString kFromRowKey = QStringLiteral("Run/FromRow");
}  // namespace

RunOptionsWidget::RunOptionsWidget(QWidget* parent)
    : QWidget(parent),
      m_repeat(new QSpinBox(this)),
      m_speed(new QDoubleSpinBox(this)),
      m_fromRow(new QSpinBox(this)) {
    setObjectName(QStringLiteral("runOptions"));
    m_repeat->setObjectName(QStringLiteral("repeatBox"));
    m_repeat->setRange(0, 99999);
    m_repeat->setSpecialValueText(tr("直到停止"));
    m_repeat->setSuffix(tr(" 遍"));
    m_repeat->setToolTip(tr("回放几遍；0 为一直重复，直到按 F8 停止"));
    m_speed->setObjectName(QStringLiteral("speedBox"));
    m_speed->setRange(RunOptions::kMinSpeed, RunOptions::kMaxSpeed);
    m_speed->setDecimals(2);
    m_speed->setSingleStep(0.1);
    m_speed->setSuffix(tr(" 倍"));
    m_speed->setToolTip(tr("每步的等待时间除以这个数：2 倍快一倍，0.5 倍慢一倍"));
    m_fromRow->setObjectName(QStringLiteral("fromRowBox"));
    m_fromRow->setRange(1, 9999999);
    m_fromRow->setPrefix(tr("第 "));
    m_fromRow->setSuffix(tr(" 行"));
    m_fromRow->setToolTip(tr("每一遍都从这一行开始，上面的行不回放"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 0, 4, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    const std::pair<QString, QAbstractSpinBox*> rows[] = {
        {tr("重复"), m_repeat}, {tr("速度"), m_speed}, {tr("起始行"), m_fromRow}};
    int row = 0;
    for (const auto& [label, box] : rows) {
        box->setMinimumWidth(100);
        box->setFixedHeight(20);          // three rows as tall as the panel's large buttons
        box->setKeyboardTracking(false);  // one change per value, not per digit
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(box, row++, 1);
    }

    QSettings stored(AppConfig::instance().settingsLocation(), QSettings::NativeFormat);
    RunOptions options;
    options.repeat = stored.value(kRepeatKey, options.repeat).toInt();
    options.speed = stored.value(kSpeedKey, options.speed).toDouble();
    options.fromRow = stored.value(kFromRowKey, options.fromRow).toInt();
    setOptions(options);  // the boxes' ranges keep a hand-edited store in bounds

    connect(m_repeat, QOverload<int>::of(&QSpinBox::valueChanged), this, &RunOptionsWidget::save);
    connect(m_speed, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &RunOptionsWidget::save);
    connect(m_fromRow, QOverload<int>::of(&QSpinBox::valueChanged), this, &RunOptionsWidget::save);
}

RunOptions RunOptionsWidget::options() const {
    RunOptions options;
    options.repeat = m_repeat->value();
    options.speed = m_speed->value();
    options.fromRow = m_fromRow->value();
    return options;
}

void RunOptionsWidget::setOptions(const RunOptions& options) {
    m_repeat->setValue(options.repeat);
    m_speed->setValue(options.speed);
    m_fromRow->setValue(options.fromRow);
}

QString RunOptionsWidget::describe(const RunOptions& options) {
    const QString repeat = options.repeat == 0   ? tr("一直重复到停止")
                           : options.repeat == 1 ? tr("回放 1 遍")
                                                 : tr("重复 %1 遍").arg(options.repeat);
    return tr("%1，速度 %2 倍，从第 %3 行开始")
        .arg(repeat, QLocale::c().toString(options.speed, 'g', 3))
        .arg(options.fromRow);
}

void RunOptionsWidget::save() {
    QSettings stored(AppConfig::instance().settingsLocation(), QSettings::NativeFormat);
    const RunOptions now = options();
    stored.setValue(kRepeatKey, now.repeat);
    stored.setValue(kSpeedKey, now.speed);
    stored.setValue(kFromRowKey, now.fromRow);
    emit changed();
}
