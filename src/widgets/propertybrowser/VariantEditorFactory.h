#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

class Property;
class QWidget;
class VariantPropertyManager;

// Makes the in-place editor of a value cell. The standard editors are a spin box
// within the row's bounds for integers, a line edit for texts, a check box for
// booleans and a combo box for enumerations; they write every change into the
// manager at once and follow changes of the row made elsewhere while open.
// Derived factories override createEditor and fall back to this one.
class VariantEditorFactory : public QObject {
    Q_OBJECT
public:
    explicit VariantEditorFactory(QObject* parent = nullptr);
    ~VariantEditorFactory() override;

    // The editor for `property`, a child of `parent`, or null when the row has no
    // editor of its own (points and flags are edited through their sub-rows). The
    // browser owns the editor and deletes it when editing ends.
    virtual QWidget* createEditor(VariantPropertyManager* manager, Property* property,
                                  QWidget* parent);

private:
    void watch(VariantPropertyManager* manager);
    void track(Property* property, QWidget* editor);
    void onValueChanged(Property* property, const QVariant& value);
    void onAttributeChanged(Property* property);
    void onPropertyAboutToBeDeleted(Property* property);

    QHash<Property*, QList<QWidget*>> m_editors;
    QHash<QWidget*, Property*> m_editorRows;
    QSet<VariantPropertyManager*> m_managers;
};
