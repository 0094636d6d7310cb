#pragma once

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QSet>
#include <QWidget>

class Property;
class PropertyItemDelegate;
class QTreeWidget;
class QTreeWidgetItem;
class VariantEditorFactory;
class VariantPropertyManager;

// A two-column property grid (name, value) over rows of VariantPropertyManagers,
// built on a QTreeWidget. A click in a value cell opens the editor that the row's
// factory makes, and the same click toggles a check box or opens a choice's list;
// the editor closes when the focus moves elsewhere in the program, on Escape, Return
// or Tab, or when another row is chosen. It stays open while the program is inactive.
// Values are shown as text when not edited. While an editor has the focus, every key
// is the editor's: the window's shortcuts do not fire.
class TreePropertyBrowser : public QWidget {
    Q_OBJECT
public:
    explicit TreePropertyBrowser(QWidget* parent = nullptr);
    ~TreePropertyBrowser() override;

    // Marks an editor that takes Escape, Return and Tab as input of its own (a key
    // capture editor, for instance) instead of ending the edit with them.
    static void setEditorTakesAllKeys(QWidget* editor, bool on = true);

    // The factory that makes the editors of `manager`'s rows (not owned).
    void setFactoryForManager(VariantPropertyManager* manager, VariantEditorFactory* factory);
    VariantEditorFactory* factoryForProperty(const Property* property) const;

    // Appends `property` with its sub-rows as a top-level row, expanded. A row
    // already shown is left as it is.
    void addProperty(Property* property);
    void removeProperty(Property* property);
    // Drops every row from the grid; the rows stay with their manager.
    void clear();
    QList<Property*> properties() const;

    QTreeWidget* treeWidget() const { return m_tree; }
    QTreeWidgetItem* itemForProperty(const Property* property) const;
    Property* propertyForItem(const QTreeWidgetItem* item) const;
    Property* propertyForIndex(const QModelIndex& index) const;

    bool isExpanded(const Property* property) const;
    void setExpanded(const Property* property, bool expanded);

    // Opens the value cell's editor as a click does; false when the row is not shown,
    // is disabled, or its factory makes no editor for it.
    bool editProperty(Property* property);
    QWidget* currentEditor() const;
    Property* editedProperty() const;
    void closeEditor();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void watch(VariantPropertyManager* manager);
    QTreeWidgetItem* makeItem(Property* property, QTreeWidgetItem* parentItem);
    void refresh(Property* property);
    void forgetItem(QTreeWidgetItem* item);
    void onSubPropertyAdded(Property* parent, Property* sub);
    void onPropertyAboutToBeDeleted(Property* property);
    void onFocusChanged(QWidget* old, QWidget* now);
    void fitNameColumn();

    QTreeWidget* m_tree;
    PropertyItemDelegate* m_delegate;
    QHash<const Property*, QTreeWidgetItem*> m_items;
    QHash<const QTreeWidgetItem*, Property*> m_rowsByItem;
    QHash<VariantPropertyManager*, VariantEditorFactory*> m_factories;
    QSet<VariantPropertyManager*> m_managers;
    bool m_nameColumnSetByUser = false;
    bool m_fittingColumn = false;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
};
