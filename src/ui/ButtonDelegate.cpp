#include "ui/ButtonDelegate.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "ui/UiResources.h"

namespace {
constexpr int kButtonGap = 20;
constexpr int kEditColumn = 3;
}  // namespace

ButtonDelegate::ButtonDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    UiResources::init();
    // The type travels in queued connections too.
    qRegisterMetaType<ButtonDelegate::BtnType>("ButtonDelegate::BtnType");
    m_normalPixmaps.insert(Copy,
                           QPixmap(QStringLiteral(":/optable/res/images/optable/copy-d.svg")));
    m_activePixmaps.insert(Copy,
                           QPixmap(QStringLiteral(":/optable/res/images/optable/copy-a.svg")));
    m_normalPixmaps.insert(Delete,
                           QPixmap(QStringLiteral(":/optable/res/images/optable/delete-d.svg")));
    m_activePixmaps.insert(Delete,
                           QPixmap(QStringLiteral(":/optable/res/images/optable/delete-a.svg")));
}

QRect ButtonDelegate::copyButtonRect(const QRect& cell) {
    const QPoint c = cell.center();
    return QRect(c.x() - kButtonGap / 2 - buttonSize, c.y() - buttonSize / 2, buttonSize,
                 buttonSize);
}

QRect ButtonDelegate::deleteButtonRect(const QRect& cell) {
    const QPoint c = cell.center();
    return QRect(c.x() + kButtonGap / 2, c.y() - buttonSize / 2, buttonSize, buttonSize);
}

QString ButtonDelegate::toolTipText(BtnType type) {
    return type == Copy ? tr("复制本行") : tr("删除本行");
}

void ButtonDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (index.column() == kEditColumn) {
        const bool rowHovered = index.row() == m_hoverRow;
        const bool copyActive = rowHovered && m_hoverButton == Copy;
        const bool deleteActive = rowHovered && m_hoverButton == Delete;
        drawButton(painter, copyButtonRect(option.rect),
                   copyActive ? m_activePixmaps.value(Copy) : m_normalPixmaps.value(Copy));
        drawButton(painter, deleteButtonRect(option.rect),
                   deleteActive ? m_activePixmaps.value(Delete) : m_normalPixmaps.value(Delete));
    }
    painter->restore();
}

void ButtonDelegate::drawButton(QPainter* painter, const QRect& rect, const QPixmap& pixmap) const {
    if (pixmap.isNull()) return;
    // A one-step bilinear reduction from 200 px to 24 px loses the thin strokes;
    // reduce by area averaging once per device size and draw that.
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const int side = qRound(rect.width() * dpr);
    const auto key = qMakePair(pixmap.cacheKey(), side);
    QPixmap scaled = m_scaledCache.value(key);
    if (scaled.isNull()) {
        scaled = pixmap.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        scaled.setDevicePixelRatio(dpr);
        m_scaledCache.insert(key, scaled);
    }
    painter->drawPixmap(rect, scaled);
}

QSize ButtonDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(100, 36);
}

void ButtonDelegate::clearHover() {
    m_hoverRow = -1;
    QToolTip::hideText();
}

bool ButtonDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    Q_UNUSED(model);
    if (index.column() != kEditColumn) return false;

    if (event->type() == QEvent::Leave) {
        clearHover();
        return true;
    }
    const auto* mouse = dynamic_cast<QMouseEvent*>(event);
    if (!mouse) return false;

    const QPoint pos = mouse->pos();
    const bool onCopy = copyButtonRect(option.rect).contains(pos);
    if (!onCopy && !deleteButtonRect(option.rect).contains(pos)) {
        clearHover();
        return false;
    }
    const BtnType button = onCopy ? Copy : Delete;

    switch (event->type()) {
        case QEvent::MouseMove:
            m_hoverRow = index.row();
            m_hoverButton = button;
            QToolTip::showText(mouse->globalPos(), toolTipText(button));
            return true;
        case QEvent::MouseButtonRelease:
            if (mouse->button() != Qt::LeftButton) return false;
            emit iconClicked(index.row(), button);
            clearHover();
            return true;
        default:
            // The press is left to the view, so it selects the row first.
            return false;
    }
}
