#include "widgets/propertybrowser/VariantEditorFactory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <limits>

#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

namespace {

void setSpinRange(QSpinBox* spin, const Property* property) {
    spin->setRange(property->attribute(QStringLiteral("minimum")).toInt(),
                   property->attribute(QStringLiteral("maximum")).toInt());
}

void setComboItems(QComboBox* combo, const Property* property) {
    combo->clear();
    combo->addItems(property->attribute(QStringLiteral("enumNames")).toStringList());
    combo->setCurrentIndex(property->value().toInt());
}

// Shows the editor's current state in it, without reporting it back as an edit.
void showValue(QWidget* editor, const Property* property) {
    const QSignalBlocker blocker(editor);
    const QVariant value = property->value();
    if (auto* spin = qobject_cast<QSpinBox*>(editor)) {
        spin->setValue(value.toInt());
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        if (line->text() != value.toString()) line->setText(value.toString());
    } else if (auto* check = qobject_cast<QCheckBox*>(editor)) {
        check->setChecked(value.toBool());
        check->setText(property->valueText());
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(value.toInt());
    }
}

}  // namespace

VariantEditorFactory::VariantEditorFactory(QObject* parent) : QObject(parent) {}

VariantEditorFactory::~VariantEditorFactory() = default;

QWidget* VariantEditorFactory::createEditor(VariantPropertyManager* manager, Property* property,
                                            QWidget* parent) {
    if (!manager || !manager->owns(property)) return nullptr;
    const int type = property->propertyType();
    QWidget* editor = nullptr;
    // The context object of each connection is the manager: the editor stops
    // writing once the manager is gone.
    if (type == QVariant::Int) {
        auto* spin = new QSpinBox(parent);
        spin->setFrame(false);
        setSpinRange(spin, property);
        connect(spin, qOverload<int>(&QSpinBox::valueChanged), manager,
                [manager, property](int v) { manager->setValue(property, v); });
        editor = spin;
    } else if (type == QVariant::String) {
        auto* line = new QLineEdit(parent);
        line->setFrame(false);
        line->setMaxLength(std::numeric_limits<int>::max());
        connect(line, &QLineEdit::textEdited, manager,
                [manager, property](const QString& text) { manager->setValue(property, text); });
        editor = line;
    } else if (type == QVariant::Bool) {
        auto* check = new QCheckBox(parent);
        connect(check, &QCheckBox::toggled, manager,
                [manager, property](bool on) { manager->setValue(property, on); });
        editor = check;
    } else if (type == VariantPropertyManager::enumTypeId()) {
        auto* combo = new QComboBox(parent);
        combo->setFrame(false);
        {
            const QSignalBlocker blocker(combo);
            setComboItems(combo, property);
        }
        connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), manager,
                [manager, property](int index) {
                    if (index >= 0) manager->setValue(property, index);
                });
        editor = combo;
    }
    if (!editor) return nullptr;
    editor->setAutoFillBackground(true);
    showValue(editor, property);
    watch(manager);
    track(property, editor);
    return editor;
}

void VariantEditorFactory::watch(VariantPropertyManager* manager) {
    if (m_managers.contains(manager)) return;
    m_managers.insert(manager);
    connect(manager, &VariantPropertyManager::valueChanged, this,
            &VariantEditorFactory::onValueChanged);
    connect(manager, &VariantPropertyManager::attributeChanged, this,
            [this](Property* property) { onAttributeChanged(property); });
    connect(manager, &VariantPropertyManager::propertyAboutToBeDeleted, this,
            &VariantEditorFactory::onPropertyAboutToBeDeleted);
    connect(manager, &QObject::destroyed, this, [this, manager] { m_managers.remove(manager); });
}

void VariantEditorFactory::track(Property* property, QWidget* editor) {
    m_editors[property].append(editor);
    m_editorRows.insert(editor, property);
    connect(editor, &QObject::destroyed, this, [this, editor] {
        Property* row = m_editorRows.take(editor);
        auto it = m_editors.find(row);
        if (it == m_editors.end()) return;
        it->removeAll(editor);
        if (it->isEmpty()) m_editors.erase(it);
    });
}

void VariantEditorFactory::onValueChanged(Property* property, const QVariant&) {
    const QList<QWidget*> open = m_editors.value(property);
    for (QWidget* editor : open) showValue(editor, property);
}

void VariantEditorFactory::onAttributeChanged(Property* property) {
    const QList<QWidget*> open = m_editors.value(property);
    for (QWidget* editor : open) {
        const QSignalBlocker blocker(editor);
        if (auto* spin = qobject_cast<QSpinBox*>(editor)) setSpinRange(spin, property);
        if (auto* combo = qobject_cast<QComboBox*>(editor)) setComboItems(combo, property);
    }
}

void VariantEditorFactory::onPropertyAboutToBeDeleted(Property* property) {
    // The browser closes the editors; they must not reach the row meanwhile.
    const QList<QWidget*> open = m_editors.take(property);
    for (QWidget* editor : open) {
        m_editorRows.remove(editor);
        editor->disconnect(this);
        editor->setEnabled(false);
        for (VariantPropertyManager* manager : qAsConst(m_managers)) editor->disconnect(manager);
    }
}
