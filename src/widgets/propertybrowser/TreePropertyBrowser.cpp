#include "widgets/propertybrowser/TreePropertyBrowser.h"

#include <QApplication>
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
    : QWidget(parent), tree(new QTreeWidget(this)), delegate(new PropertyItemDelegate(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tree);

    tree->setColumnCount(2);
    tree->setHeaderLabels({tr("Property"), tr("Value")});
    tree->setItemDelegate(delegate);
    tree->setAlternatingRowColors(true);
    tree->setUniformRowHeights(true);
    tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->setIndentation(14);
    tree->setAllColumnsShowFocus(true);
    tree->header()->setSectionsMovable(false);
    tree->header()->setStretchLastSection(true);
    tree->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    tree->installEventFilter(this);
    tree->viewport()->installEventFilter(this);

    connect(tree, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item, int column) {
        if (column == 1 && pressedButton == Qt::LeftButton) editProperty(propertyForItem(item));
    });
    connect(tree->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (section == 0 && !fittingColumn) nameColumnSetByUser = true;
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
        factories.insert(manager, factory);
    else
        factories.remove(manager);
}

VariantEditorFactory* TreePropertyBrowser::factoryForProperty(const Property* property) const {
    return property ? factories.value(property->propertyManager()) : nullptr;
}

void TreePropertyBrowser::watch(VariantPropertyManager* manager) {
    if (managers.contains(manager)) return;
    managers.insert(manager);
    connect(manager, &VariantPropertyManager::propertyChanged, this, &TreePropertyBrowser::refresh);
    connect(manager, &VariantPropertyManager::subPropertyAdded, this,
            &TreePropertyBrowser::onSubPropertyAdded);
    connect(manager, &VariantPropertyManager::propertyAboutToBeDeleted, this,
            &TreePropertyBrowser::onPropertyAboutToBeDeleted);
    connect(manager, &QObject::destroyed, this, [this, manager] {
        managers.remove(manager);
        factories.remove(manager);
    });
}

void TreePropertyBrowser::addProperty(Property* property) {
    if (!property || items.contains(property)) return;
    watch(property->propertyManager());
    makeItem(property, nullptr);
    fitNameColumn();
}

QTreeWidgetItem* TreePropertyBrowser::makeItem(Property* property, QTreeWidgetItem* parentItem) {
    auto* item = new QTreeWidgetItem;
    // Editable as far as the view is concerned; the delegate decides per cell. The
    // check mark of a boolean only shows the value: the editor changes it.
    item->setFlags((item->flags() | Qt::ItemIsEditable) & ~Qt::ItemIsUserCheckable);
    items.insert(property, item);
    rowsByItem.insert(item, property);
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(property)));
    if (parentItem)
        parentItem->addChild(item);
    else
        tree->addTopLevelItem(item);
    const QList<Property*> subs = property->subProperties();
    for (Property* sub : subs) makeItem(sub, item);
    refresh(property);
    if (!subs.isEmpty()) item->setExpanded(true);
    return item;
}

void TreePropertyBrowser::refresh(Property* property) {
    QTreeWidgetItem* item = items.value(property);
    if (!item) return;
    const QString text = property->valueText();
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
    if (QTreeWidgetItem* parentItem = items.value(parent)) {
        if (!items.contains(sub)) makeItem(sub, parentItem);
        parentItem->setExpanded(true);
    }
}

void TreePropertyBrowser::forgetItem(QTreeWidgetItem* item) {
    for (int i = 0; i < item->childCount(); ++i) forgetItem(item->child(i));
    if (Property* property = rowsByItem.take(item)) items.remove(property);
}

void TreePropertyBrowser::onPropertyAboutToBeDeleted(Property* property) {
    QTreeWidgetItem* item = items.value(property);
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
    QTreeWidgetItem* item = items.value(property);
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
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows << rowsByItem.value(tree->topLevelItem(i));
    return rows;
}

QTreeWidgetItem* TreePropertyBrowser::itemForProperty(const Property* property) const {
    return items.value(property);
}

Property* TreePropertyBrowser::propertyForItem(const QTreeWidgetItem* item) const {
    return rowsByItem.value(item);
}

Property* TreePropertyBrowser::propertyForIndex(const QModelIndex& index) const {
    if (!index.isValid()) return nullptr;
    // Each item carries its row's address; the hash says whether it is still shown.
    auto* property =
        reinterpret_cast<Property*>(index.siblingAtColumn(0).data(Qt::UserRole).value<quintptr>());
    return items.contains(property) ? property : nullptr;
}

bool TreePropertyBrowser::isExpanded(const Property* property) const {
    QTreeWidgetItem* item = items.value(property);
    return item && item->isExpanded();
}

void TreePropertyBrowser::setExpanded(const Property* property, bool expanded) {
    if (QTreeWidgetItem* item = items.value(property)) item->setExpanded(expanded);
}

bool TreePropertyBrowser::editProperty(Property* property) {
    QTreeWidgetItem* item = items.value(property);
    if (!item || !property->isEffectivelyEnabled()) return false;
    if (editedProperty() == property && currentEditor()) return true;
    tree->setCurrentItem(item, 1);
    tree->editItem(item, 1);
    return editedProperty() == property && currentEditor();
}

QWidget* TreePropertyBrowser::currentEditor() const {
    return delegate->openEditor();
}

Property* TreePropertyBrowser::editedProperty() const {
    return currentEditor() ? propertyForIndex(delegate->editedIndex()) : nullptr;
}

void TreePropertyBrowser::closeEditor() {
    delegate->closeOpenEditor();
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
    if (object == tree->viewport() && event->type() == QEvent::MouseButtonPress)
        pressedButton = static_cast<QMouseEvent*>(event)->button();
    if (object == tree && event->type() == QEvent::KeyPress && !currentEditor()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_F2 || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (Property* property = propertyForItem(tree->currentItem()))
                return editProperty(property);
        }
    }
    return QWidget::eventFilter(object, event);
}

void TreePropertyBrowser::fitNameColumn() {
    if (nameColumnSetByUser) return;
    fittingColumn = true;
    tree->resizeColumnToContents(0);
    const int most = qMax(80, tree->viewport()->width() * 3 / 5);
    if (tree->columnWidth(0) > most) tree->setColumnWidth(0, most);
    fittingColumn = false;
}
