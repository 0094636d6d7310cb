#include "widgets/propertybrowser/TreePropertyBrowser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/PropertyItemDelegate.h"
#include "widgets/propertybrowser/VariantEditorFactory.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

TreePropertyBrowser::TreePropertyBrowser(QWidget* parent)
    : QWidget(parent), m_tree(new QTreeWidget(this)), m_delegate(new PropertyItemDelegate(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tree);

    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels({tr("Property"), tr("Value")});
    m_tree->setItemDelegate(m_delegate);
    m_tree->setAlternatingRowColors(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setIndentation(14);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->header()->setSectionsMovable(false);
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    m_tree->installEventFilter(this);
    m_tree->viewport()->installEventFilter(this);

    connect(m_tree, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item, int column) {
        if (column != 1 || m_pressedButton != Qt::LeftButton) return;
        const bool wasOpen = currentEditor() && editedProperty() == propertyForItem(item);
        if (!editProperty(propertyForItem(item)) || wasOpen) return;
        // The click that opens the editor also works it: a check box toggles, a
        // choice shows its list.
        if (auto* check = qobject_cast<QCheckBox*>(currentEditor()))
            check->toggle();
        else if (auto* combo = qobject_cast<QComboBox*>(currentEditor()))
            combo->showPopup();
    });
    connect(m_tree->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == 0 && !m_fittingColumn) m_nameColumnSetByUser = true;
    });
    connect(qApp, &QApplication::focusChanged, this, &TreePropertyBrowser::onFocusChanged);
}

TreePropertyBrowser::~TreePropertyBrowser() = default;

void TreePropertyBrowser::setEditorTakesAllKeys(QWidget* editor, bool on) {
    if (editor) editor->setProperty(PropertyItemDelegate::kTakesAllKeys, on);
}

void TreePropertyBrowser::setFactoryForManager(VariantPropertyManager* manager,
                                               VariantEditorFactory* factory) {
    if (!manager) return;
    watch(manager);
    if (factory)
        m_factories.insert(manager, factory);
    else
        m_factories.remove(manager);
}

VariantEditorFactory* TreePropertyBrowser::factoryForProperty(const Property* property) const {
    return property ? m_factories.value(property->propertyManager()) : nullptr;
}

void TreePropertyBrowser::watch(VariantPropertyManager* manager) {
    if (m_managers.contains(manager)) return;
    m_managers.insert(manager);
    connect(manager, &VariantPropertyManager::propertyChanged, this, &TreePropertyBrowser::refresh);
    connect(manager, &VariantPropertyManager::subPropertyAdded, this,
            &TreePropertyBrowser::onSubPropertyAdded);
    connect(manager, &VariantPropertyManager::propertyAboutToBeDeleted, this,
            &TreePropertyBrowser::onPropertyAboutToBeDeleted);
    connect(manager, &QObject::destroyed, this, [this, manager] {
        m_managers.remove(manager);
        m_factories.remove(manager);
    });
}

void TreePropertyBrowser::addProperty(Property* property) {
    if (!property || m_items.contains(property)) return;
    watch(property->propertyManager());
    makeItem(property, nullptr);
    fitNameColumn();
}

QTreeWidgetItem* TreePropertyBrowser::makeItem(Property* property, QTreeWidgetItem* parentItem) {
    auto* item = new QTreeWidgetItem;
    // Editable as far as the view is concerned; the delegate decides per cell. The
    // check mark of a boolean only shows the value: the editor changes it.
    item->setFlags((item->flags() | Qt::ItemIsEditable) & ~Qt::ItemIsUserCheckable);
    m_items.insert(property, item);
    m_rowsByItem.insert(item, property);
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(property)));
    if (parentItem)
        parentItem->addChild(item);
    else
        m_tree->addTopLevelItem(item);
    const QList<Property*> subs = property->subProperties();
    for (Property* sub : subs) makeItem(sub, item);
    refresh(property);
    if (!subs.isEmpty()) item->setExpanded(true);
    return item;
}

void TreePropertyBrowser::refresh(Property* property) {
    QTreeWidgetItem* item = m_items.value(property);
    if (!item) return;
    // A cell shows one line: laying out megabytes of text in it would freeze the window.
    constexpr int kShownLength = 1000;
    QString text = property->valueText();
    if (text.size() > kShownLength) {
        const int cut =
            text.at(kShownLength - 1).isHighSurrogate() ? kShownLength - 1 : kShownLength;
        text = text.left(cut) + QStringLiteral("…");
    }
    item->setText(0, property->propertyName());
    item->setToolTip(0, property->propertyName());
    item->setText(1, text);
    item->setToolTip(1, text);
    if (property->propertyType() == QVariant::Bool)
        item->setData(1, Qt::CheckStateRole,
                      property->value().toBool() ? Qt::Checked : Qt::Unchecked);
    item->setDisabled(!property->isEnabled());
    if (!property->isEffectivelyEnabled()) {
        Property* edited = editedProperty();
        for (Property* p = edited; p; p = p->parentProperty())
            if (p == property) {
                closeEditor();
                break;
            }
    }
}

void TreePropertyBrowser::onSubPropertyAdded(Property* parent, Property* sub) {
    if (QTreeWidgetItem* parentItem = m_items.value(parent)) {
        if (!m_items.contains(sub)) makeItem(sub, parentItem);
        parentItem->setExpanded(true);
    }
}

void TreePropertyBrowser::forgetItem(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) forgetItem(item->child(i));
    if (Property* property = m_rowsByItem.take(item)) m_items.remove(property);
}

void TreePropertyBrowser::onPropertyAboutToBeDeleted(Property* property) {
    QTreeWidgetItem* item = m_items.value(property);
    if (!item) return;
    for (Property* p = editedProperty(); p; p = p->parentProperty())
        if (p == property) {
            closeEditor();
            break;
        }
    forgetItem(item);
    delete item;
}

void TreePropertyBrowser::removeProperty(Property* property) {
    QTreeWidgetItem* item = m_items.value(property);
    if (!item || item->parent()) return;
    onPropertyAboutToBeDeleted(property);
}

void TreePropertyBrowser::clear() {
    closeEditor();
    const QList<Property*> rows = properties();
    for (Property* row : rows) removeProperty(row);
}

QList<Property*> TreePropertyBrowser::properties() const {
    QList<Property*> rows;
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        rows << m_rowsByItem.value(m_tree->topLevelItem(i));
    return rows;
}

QTreeWidgetItem* TreePropertyBrowser::itemForProperty(const Property* property) const {
    return m_items.value(property);
}

Property* TreePropertyBrowser::propertyForItem(const QTreeWidgetItem* item) const {
    return m_rowsByItem.value(item);
}

Property* TreePropertyBrowser::propertyForIndex(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    // Each item carries its row's address; the hash says whether it is still shown.
    auto* property =
        reinterpret_cast<Property*>(index.siblingAtColumn(0).data(Qt::UserRole).value<quintptr>());
    return m_items.contains(property) ? property : nullptr;
}

bool TreePropertyBrowser::isExpanded(const Property* property) const {
    QTreeWidgetItem* item = m_items.value(property);
    return item && item->isExpanded();
}

void TreePropertyBrowser::setExpanded(const Property* property, bool expanded) {
    if (QTreeWidgetItem* item = m_items.value(property)) item->setExpanded(expanded);
}

bool TreePropertyBrowser::editProperty(Property* property) {
    QTreeWidgetItem* item = m_items.value(property);
    if (!item || !property->isEffectivelyEnabled()) return false;
    if (editedProperty() == property && currentEditor()) return true;
    m_tree->setCurrentItem(item, 1);
    m_tree->editItem(item, 1);
    return editedProperty() == property && currentEditor();
}

QWidget* TreePropertyBrowser::currentEditor() const {
    return m_delegate->openEditor();
}

Property* TreePropertyBrowser::editedProperty() const {
    return currentEditor() ? propertyForIndex(m_delegate->editedIndex()) : nullptr;
}

void TreePropertyBrowser::closeEditor() {
    m_delegate->closeOpenEditor();
}

void TreePropertyBrowser::onFocusChanged(QWidget*, QWidget* now) {
    QWidget* editor = currentEditor();
    // No focus widget: the program went inactive or its window was hidden; the
    // edit goes on when it comes back.
    if (!editor || !now) return;
    for (QWidget* w = now; w; w = w->parentWidget())
        if (w == editor) return;
    closeEditor();
}

bool TreePropertyBrowser::eventFilter(QObject* object, QEvent* event) {
    // Which button made the press that the tree reports next as itemPressed.
    if (object == m_tree->viewport() && event->type() == QEvent::MouseButtonPress)
        m_pressedButton = static_cast<QMouseEvent*>(event)->button();
    if (object == m_tree && event->type() == QEvent::KeyPress && !currentEditor()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (Property* property = propertyForItem(m_tree->currentItem()))
                return editProperty(property);
        }
    }
    return QWidget::eventFilter(object, event);
}

void TreePropertyBrowser::fitNameColumn() {
    if (m_nameColumnSetByUser) return;
    m_fittingColumn = true;
    m_tree->resizeColumnToContents(0);
    const int most = qMax(80, m_tree->viewport()->width() * 3 / 5);
    if (m_tree->columnWidth(0) > most) m_tree->setColumnWidth(0, most);
    m_fittingColumn = false;
}
