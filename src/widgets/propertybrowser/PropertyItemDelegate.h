#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class TreePropertyBrowser;

// Paints the grid's cells and asks the browser's editor factories for the editor of
// a value cell. Editors write into their manager themselves, so nothing is copied
// between the editor and the view's model.
class PropertyItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // The dynamic property an editor sets to receive Escape, Return and Tab itself.
    static const char* const kTakesAllKeys;

    explicit PropertyItemDelegate(TreePropertyBrowser* browser);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The editor the view holds open, or null (a closed editor may live on until
    // its deferred deletion, but the view no longer holds it).
    QWidget* openEditor() const;
    QModelIndex editedIndex() const { return m_edited; }
    void closeOpenEditor();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TreePropertyBrowser* m_browser;
    mutable QPersistentModelIndex m_edited;
};
