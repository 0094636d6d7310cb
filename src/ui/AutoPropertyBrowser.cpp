#include "ui/AutoPropertyBrowser.h"

#include <QMetaObject>
#include <QVBoxLayout>

#include "model/InputHelpers.h"
#include "ui/OperationEditorFactory.h"
#include "ui/OperationPropertyBrowser.h"
#include "widgets/propertybrowser/Property.h"
#include "widgets/propertybrowser/VariantPropertyManager.h"

namespace {

// The class-info value `name` of the object's class, searched from the most derived
// class upwards; empty when no class declares it.
QString classInfo(const QMetaObject* meta, const QString& name) {
    const int index = meta->indexOfClassInfo(name.toUtf8().constData());
    return index < 0 ? QString() : QString::fromUtf8(meta->classInfo(index).value());
}

bool isModifiersType(int typeId) {
    return typeId == qMetaTypeId<Qt::KeyboardModifiers>();
}

Qt::KeyboardModifiers toModifiers(const QVariant& value) {
    if (isModifiersType(value.userType())) return value.value<Qt::KeyboardModifiers>();
    bool ok = false;
    const int bits = value.toInt(&ok);
    return ok ? Qt::KeyboardModifiers(bits) : Qt::NoModifier;
}

}  // namespace

AutoPropertyBrowser::AutoPropertyBrowser(QWidget* parent)
    : QWidget(parent),
      m_browser(new OperationPropertyBrowser(this)),
      m_manager(new VariantPropertyManager(this)),
      m_factory(new OperationEditorFactory(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_browser->setFactoryForManager(m_manager, m_factory);
    m_browser->setHeaderLabels(tr("属性"), tr("值"));
    connect(m_manager, &VariantPropertyManager::valueChanged, this,
            &AutoPropertyBrowser::onValueChanged);
    connect(m_factory, &OperationEditorFactory::keyCaptured, this,
            &AutoPropertyBrowser::onKeyCaptured);
}

AutoPropertyBrowser::~AutoPropertyBrowser() {
    // Rows go before the grid's editors and factory, which are children too.
    clearProperties();
}

int AutoPropertyBrowser::modifiersToFlags(Qt::KeyboardModifiers modifiers) {
    int flags = 0;
    for (int i = 0; i < 4; ++i)
        if (modifiers & kModifierKeys[i].flag) flags |= 1 << i;
    return flags;
}

Qt::KeyboardModifiers AutoPropertyBrowser::flagsToModifiers(int flags) {
    Qt::KeyboardModifiers modifiers;
    for (int i = 0; i < 4; ++i)
        if (flags & (1 << i)) modifiers |= kModifierKeys[i].flag;
    return modifiers;
}

void AutoPropertyBrowser::setObject(QObject* object) {
    if (object && object == m_object) return;
    clearProperties();
    if (object) {
        m_object = object;
        buildProperties(object);
    }
}

void AutoPropertyBrowser::clearProperties() {
    m_rows.clear();
    m_flagRows.clear();
    m_object = nullptr;
    m_browser->clear();
    m_manager->clear();
}

Property* AutoPropertyBrowser::rowForProperty(const QString& name) const {
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        if (QLatin1String(it.value().name()) == name) return it.key();
    return nullptr;
}

void AutoPropertyBrowser::buildProperties(QObject* object) {
    if (!object) return;
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        const QString name = QString::fromLatin1(p.name());
        if (!p.isReadable() || name == QLatin1String("objectName")) continue;

        QString label = classInfo(meta, QStringLiteral("prop_%1").arg(name));
        if (label.isEmpty()) label = name;
        const QString editor = classInfo(meta, QStringLiteral("editor_") + name);
        const QString choices = classInfo(meta, QStringLiteral("choices_") + name);
        const QString flagNames = classInfo(meta, QStringLiteral("flagnames_") + name);
        const QString range = classInfo(meta, QStringLiteral("range_") + name);

        Property* row = nullptr;
        if (editor == QLatin1String("COMBO")) {
            row = m_manager->addProperty(VariantPropertyManager::enumTypeId(), label);
            m_manager->setAttribute(row, QStringLiteral("enumNames"),
                                    choices.split(QLatin1Char('|')));
        } else if (editor == QLatin1String("FLAG")) {
            row = m_manager->addProperty(VariantPropertyManager::flagTypeId(), label);
            m_manager->setAttribute(row, QStringLiteral("flagNames"),
                                    flagNames.split(QLatin1Char('|')));
            m_flagRows.insert(row);
        } else if (editor == QLatin1String("SPINBOX")) {
            row = m_manager->addProperty(QVariant::Int, label);
            // "-" separates the bounds, so a negative bound makes three parts: no bounds.
            const QStringList bounds = range.split(QLatin1Char('-'));
            if (bounds.size() == 2) {
                m_manager->setAttribute(row, QStringLiteral("minimum"), bounds.at(0).toInt());
                m_manager->setAttribute(row, QStringLiteral("maximum"), bounds.at(1).toInt());
            }
        } else {
            row = m_manager->addProperty(p.userType(), label);
        }
        // A type the grid cannot show gets no row.
        if (!row) continue;
        m_manager->setValue(row, rowValue(object, row, p));
        row->setEnabled(p.isWritable());
        m_browser->addProperty(row);
        // Only now does the row count as the object's: the values reported while
        // building it are not edits and are not written back.
        m_rows.insert(row, p);
    }
}

QVariant AutoPropertyBrowser::rowValue(const QObject* object, Property* row,
                                       const QMetaProperty& p) const {
    const QVariant value = p.read(object);
    return m_flagRows.contains(row) ? QVariant(modifiersToFlags(toModifiers(value))) : value;
}

void AutoPropertyBrowser::refreshValues() {
    if (!m_object) return;
    m_refreshing = true;
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it)
        m_manager->setValue(it.key(), rowValue(m_object, it.key(), it.value()));
    m_refreshing = false;
}

void AutoPropertyBrowser::apply(const QVariantMap& values, const QString& label) {
    if (m_editHandler) {
        m_editHandler(m_object, values, label);
        refreshValues();
    } else {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            m_object->setProperty(it.key().toLatin1().constData(), it.value());
    }
    emit sigValueChanged(QModelIndex(), QModelIndex(), QVector<int>());
}

void AutoPropertyBrowser::onValueChanged(Property* prop, const QVariant& value) {
    if (!m_object || m_refreshing) return;
    auto it = m_rows.constFind(prop);
    if (it == m_rows.cend()) return;
    const QMetaProperty p = it.value();
    if (!p.isReadable()) return;
    QVariant written = value;
    if (isModifiersType(p.userType()))
        written = QVariant::fromValue(flagsToModifiers(value.toInt()));
    if (p.isWritable())
        apply({{QString::fromLatin1(p.name()), written}}, prop->propertyName());
    else
        emit sigValueChanged(QModelIndex(), QModelIndex(), QVector<int>());
}

void AutoPropertyBrowser::onKeyCaptured(Property* keyRow, const QString& name,
                                        Qt::KeyboardModifiers modifiers) {
    if (!m_object || !m_rows.contains(keyRow)) return;
    QVariantMap values{{QString::fromLatin1(m_rows.value(keyRow).name()), name}};
    for (const QMetaProperty& p : qAsConst(m_rows))
        if (isModifiersType(p.userType()) && p.isWritable())
            values.insert(QString::fromLatin1(p.name()), QVariant::fromValue(modifiers));
    apply(values, keyRow->propertyName());
}
