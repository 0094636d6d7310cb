#pragma once

#include <QHash>
#include <QMap>
#include <QPixmap>
#include <QStyledItemDelegate>

// Paints the copy and delete buttons of a row in the table's edit column, shows
// their tool-tips and reports a left click on one of them.
class ButtonDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum BtnType { Copy = 0, Delete = 1 };
    Q_ENUM(BtnType)

    static constexpr int buttonSize = 24;

    explicit ButtonDelegate(QObject* parent = nullptr);

    // The two 24 x 24 buttons of a cell, side by side 20 px apart on its centre line.
    static QRect copyButtonRect(const QRect& cell);
    static QRect deleteButtonRect(const QRect& cell);
    static QString toolTipText(BtnType type);

    // The row whose button is under the pointer (-1: none), and which button it is.
    int hoverRow() const { return m_hoverRow; }
    BtnType hoverButton() const { return m_hoverButton; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

signals:
    void iconClicked(int row, ButtonDelegate::BtnType type);

private:
    void clearHover();
    void drawButton(QPainter* painter, const QRect& rect, const QPixmap& pixmap) const;

    QMap<BtnType, QPixmap> m_normalPixmaps;
    QMap<BtnType, QPixmap> m_activePixmaps;
    int m_hoverRow = -1;
    BtnType m_hoverButton = Copy;
    // Smoothly reduced copies of the 200 x 200 artwork, by source and device size.
    mutable QHash<QPair<qint64, int>, QPixmap> m_scaledCache;
};
