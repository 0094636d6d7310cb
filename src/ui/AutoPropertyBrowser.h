#pragma once

#include <QMap>
#include <QMetaProperty>
#include <QModelIndex>
#include <QPointer>
#include <QSet>
#include <QVariantMap>
#include <QVector>
#include <QWidget>
#include <functional>

class OperationEditorFactory;
class OperationPropertyBrowser;
class Property;
class VariantPropertyManager;

// Shows the Qt properties of one object as rows of a property grid and writes every
// edit straight back into the object. What a row looks like comes from class-info
// entries on the object's class or its bases (the most derived class wins), for a
// property N:
//   "prop_N"      the row label (N itself when missing or empty);
//   "editor_N"    "COMBO" (choices "choices_N", separated by "|"), "FLAG" (bit names
//                 "flagnames_N", "|"), "SPINBOX" (bounds "range_N" as "min-max");
//                 anything else: a row of the property's own type.
// A "FLAG" row maps bits 0..3 to Shift, Control, Alt and Meta. Read-only properties
// are shown disabled; "objectName" is never shown. A key captured in the key editor
// sets the key and the object's modifiers property together.
class AutoPropertyBrowser : public QWidget {
    Q_OBJECT
public:
    explicit AutoPropertyBrowser(QWidget* parent = nullptr);
    ~AutoPropertyBrowser() override;

    // Shows `object` (not owned); the same object again changes nothing, null empties.
    void setObject(QObject* object);
    QObject* object() const { return m_object; }
    void clearProperties();
    void buildProperties(QObject* object);

    OperationPropertyBrowser* treeBrowser() const { return m_browser; }
    VariantPropertyManager* propertyManager() const { return m_manager; }
    // The row of the shown object's property `name`, or null.
    Property* rowForProperty(const QString& name) const;

    // Hands edits to `handler` (the object, the new values by property name, the row's
    // label) instead of writing them; the rows then show what the object holds.
    using EditHandler =
        std::function<void(QObject* object, const QVariantMap& values, const QString& label)>;
    void setEditHandler(EditHandler handler) { m_editHandler = std::move(handler); }
    // Shows the values the object holds now, without taking them for edits.
    void refreshValues();

    // The modifier table of "FLAG" rows: bit i stands for Shift, Control, Alt, Meta.
    static int modifiersToFlags(Qt::KeyboardModifiers modifiers);
    static Qt::KeyboardModifiers flagsToModifiers(int flags);

signals:
    // After every edit applied to the shown object; the indexes are invalid, so a
    // model that forwards it repaints everything.
    void sigValueChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                         const QVector<int>& roles);

private slots:
    void onValueChanged(Property* prop, const QVariant& value);
    void onKeyCaptured(Property* keyRow, const QString& name, Qt::KeyboardModifiers modifiers);

private:
    void apply(const QVariantMap& values, const QString& label);
    QVariant rowValue(const QObject* object, Property* row, const QMetaProperty& p) const;

    OperationPropertyBrowser* m_browser;
    VariantPropertyManager* m_manager;
    OperationEditorFactory* m_factory;
    // Guarded, so an object destroyed while shown is never written.
    QPointer<QObject> m_object;
    QMap<Property*, QMetaProperty> m_rows;
    QSet<Property*> m_flagRows;  // shown as modifier bits
    EditHandler m_editHandler;
    bool m_refreshing = false;
};
