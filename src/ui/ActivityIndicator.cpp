#include "ui/ActivityIndicator.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>

ActivityIndicator::ActivityIndicator(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      m_button(new QPushButton(tr("停止回放"), this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(tr("停止回放"));
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setToolTip(tr("F8 被其他程序占用，点击这里停止回放"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &ActivityIndicator::clicked);
}

void ActivityIndicator::showInCorner() {
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 8, area.top() + 8);
    }
    show();
    raise();
}
