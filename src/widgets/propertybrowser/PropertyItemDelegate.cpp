#include "widgets/propertybrowser/PropertyItemDelegate.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTreeWidget>

#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/TreePropertyBrowser.h"
#include "widgets/propertybrowser/VariantEditorFactory.h"

const char* const PropertyItemDelegate::kTakesAllKeys = "takesAllKeys";

namespace {
constexpr int kFrame = 2;  // width of the mark around the cell being edited
}

PropertyItemDelegate::PropertyItemDelegate(TreePropertyBrowser* owner)
    : QStyledItemDelegate(owner), m_browser(owner) {}

QWidget* PropertyItemDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                            const QModelIndex& index) const {
    if (index.column() != 1) return nullptr;
    Property* property = m_browser->propertyForIndex(index);
    if (!property || !property->isEffectivelyEnabled()) return nullptr;
    VariantEditorFactory* factory = m_browser->factoryForProperty(property);
    if (!factory) return nullptr;
    QWidget* made = factory->createEditor(property->propertyManager(), property, parent);
    if (!made) return nullptr;
    m_edited = index;
    return made;
}

void PropertyItemDelegate::setEditorData(QWidget*, const QModelIndex&) const {}

void PropertyItemDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {}

void PropertyItemDelegate::updateEditorGeometry(QWidget* widget, const QStyleOptionViewItem& option,
                                                const QModelIndex&) const {
    widget->setGeometry(option.rect.adjusted(kFrame, kFrame, -kFrame, -kFrame));
}

void PropertyItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const bool editing = m_edited.isValid() && m_edited == index && openEditor();
    QStyleOptionViewItem opt = option;
    if (index.column() == 0) {
        // The name of a row with sub-rows reads as a heading.
        if (index.model()->hasChildren(index)) opt.font.setBold(true);
    }
    QStyledItemDelegate::paint(painter, opt, index);

    painter->save();
    QColor line = option.palette.color(QPalette::Mid);
    line.setAlpha(90);
    painter->setPen(line);
    const QRect r = option.rect;
    painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    if (index.column() == 0) painter->drawLine(r.right(), r.top(), r.right(), r.bottom());
    if (editing) {
        QPen mark(option.palette.color(QPalette::Highlight), kFrame);
        mark.setJoinStyle(Qt::MiterJoin);
        painter->setPen(mark);
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(
            QRectF(r).adjusted(kFrame / 2.0, kFrame / 2.0, -kFrame / 2.0 - 1, -kFrame / 2.0 - 1));
    }
    painter->restore();
}

QSize PropertyItemDelegate::sizeHint(const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    // Room for a frameless editor inside the mark, and no more: rows stay compact.
    size.setHeight(qMax(size.height(), option.fontMetrics.height() + 6 + 2 * kFrame));
    return size;
}

QWidget* PropertyItemDelegate::openEditor() const {
    return m_edited.isValid() ? m_browser->treeWidget()->indexWidget(m_edited) : nullptr;
}

void PropertyItemDelegate::closeOpenEditor() {
    if (QWidget* editor = openEditor()) emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool PropertyItemDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && event->type() == QEvent::ShortcutOverride) {
        // Keys typed into an editor are the editor's: the window's shortcuts (delete,
        // undo, save) do not act on them, wherever in the editor the focus is.
        event->accept();
        return true;
    }
    if (!widget || event->type() != QEvent::KeyPress) return false;
    // Focus changes are handled by the browser, which keeps the editor open while
    // the application is inactive (a picker may hide the window meanwhile).
    if (widget->property(kTakesAllKeys).toBool()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // Edits are already in the manager; ending the edit only closes the editor.
            emit closeEditor(widget, QAbstractItemDelegate::NoHint);
            return true;
        default:
            return false;
    }
}
