#include "ui/GlobalMouseWidget.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

GlobalMouseWidget::GlobalMouseWidget()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_timer(new QTimer(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // Showing it must not take the focus from the edit that started the pick.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(80, 50);
    m_timer->setInterval(kFollowIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &GlobalMouseWidget::updateGlobalMousePos);
    m_timer->start();
}

GlobalMouseWidget::Placement GlobalMouseWidget::placementFor(const QPoint& logical, qreal ratio) {
    Placement placement;
    placement.position = QPoint(qRound(logical.x() * ratio), qRound(logical.y() * ratio));
    placement.topLeft =
        QPoint(int(logical.x() + kOffset / ratio), int(logical.y() + kOffset / ratio));
    return placement;
}

void GlobalMouseWidget::updateGlobalMousePos() {
    const QPoint logical = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(logical);
    if (!screen) screen = QGuiApplication::primaryScreen();
    const qreal ratio = screen ? screen->devicePixelRatio() : 1.0;
    const Placement placement = placementFor(logical, ratio);
    m_position = placement.position;
    move(placement.topLeft);
    update();
}

void GlobalMouseWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), QColor(0, 0, 0, 160));
    QFont font = painter.font();
    font.setPointSize(10);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("X:%1\nY:%2").arg(m_position.x()).arg(m_position.y()));
}
