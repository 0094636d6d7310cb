#include "ui/ActivityIndicator.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QVBoxLayout>

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      m_title(new QLabel(this)),
      m_progress(new QLabel(this)),
      m_hint(new QLabel(this)) {
    setObjectName(QStringLiteral("activityIndicator"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_StyledBackground);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(
        QStringLiteral("#activityIndicator { background: #26292e; border: 1px solid "
                       "#5c6370; border-radius: 6px; } QLabel { color: #e6e6e6; }"));
    QFont big = m_progress->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    m_progress->setFont(big);
    m_hint->setStyleSheet(QStringLiteral("color: #a0a6b0;"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(2);
    for (QLabel* label : {m_title, m_progress, m_hint}) layout->addWidget(label);
    m_refresh.setSingleShot(true);
    m_refresh.setInterval(250);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (m_progress->text() == runProgress()) return;
        m_progress->setText(runProgress());
        m_refresh.start();
    });
}

QString ActivityIndicator::hintText() const {
    return m_hint->text();
}

QString ActivityIndicator::runProgress() const {
    return runProgress(qMin(m_step + 1, m_steps), m_steps, m_pass, m_passes);
}

QString ActivityIndicator::runProgress(int step, int steps, int pass, int passes) {
    const QString stepText = tr("第 %1/%2 步").arg(step).arg(steps);
    const QString separator = QStringLiteral(" · ");
    if (passes == 0) return tr("第 %1 遍（直到停止）").arg(pass) + separator + stepText;
    if (passes > 1) return tr("第 %1/%2 遍").arg(pass).arg(passes) + separator + stepText;
    return stepText;
}

void ActivityIndicator::showRecording() {
    setWindowTitle(tr("Flowsmith 正在录制"));
    showAt(QStringLiteral("<span style='color:#ff5555; font-size:16px'>●</span> ") + tr("正在录制"),
           tr("已录制 0 步"), tr("按 F9 停止录制（或点击这里）"));
}

void ActivityIndicator::setRecordedSteps(int steps) {
    m_progress->setText(tr("已录制 %1 步").arg(steps));
}

void ActivityIndicator::showRun(bool stopKeyWorks, int steps, int passes) {
    m_step = -1;  // none yet
    m_steps = steps;
    m_pass = 1;
    m_passes = passes;
    setWindowTitle(tr("Flowsmith 正在回放"));
    showAt(QStringLiteral("<span style='color:#4cc38a; font-size:16px'>▶</span> ") + tr("正在回放"),
           runProgress(),
           stopKeyWorks ? tr("按 F8 停止回放（或点击这里）")
                        : tr("F8 已被其他程序占用：点击这里停止回放"));
}

void ActivityIndicator::setRunStep(int step, int steps) {
    m_step = step;
    m_steps = steps;
    showRunProgress();
}

void ActivityIndicator::setRunPass(int pass, int passes) {
    m_pass = pass;
    m_passes = passes;
    showRunProgress();
}

void ActivityIndicator::showRunProgress() {
    if (m_refresh.isActive()) return;  // the timer shows the latest
    m_progress->setText(runProgress());
    m_refresh.start();
}

void ActivityIndicator::showAt(const QString& title, const QString& progress, const QString& hint) {
    m_refresh.stop();
    m_title->setText(title);
    m_progress->setText(progress);
    m_hint->setText(hint);
    // Wide enough for long progress texts, so that it does not jump as they grow.
    const QFontMetrics metrics = m_progress->fontMetrics();
    m_progress->setMinimumWidth(qMax(metrics.horizontalAdvance(runProgress(9999, 9999, 999, 999)),
                                     metrics.horizontalAdvance(runProgress(9999, 9999, 999, 0))));
    adjustSize();
    // The top right corner of the primary screen, out of the way of most clicks.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 8, area.top() + 8);
    }
    show();
    raise();
}

void ActivityIndicator::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->pos())) emit clicked();
}
