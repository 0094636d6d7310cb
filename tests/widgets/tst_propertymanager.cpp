#include <QPoint>
#include <QSignalSpy>
#include <QtTest>
#include <climits>

#include "Property.h"
#include "VariantPropertyManager.h"

Q_DECLARE_METATYPE(Property*)

struct BoundsCase {
    QVariant minimum, maximum;
    int set, expected, expectedMin, expectedMax;
};
Q_DECLARE_METATYPE(BoundsCase)

// The rows of the property grid: types, attributes, sub-rows and the value reports
// that browsers and the automatic property browser rely on.
class TestPropertyManager : public QObject {
    Q_OBJECT
private:
    using Report = QPair<QString, QVariant>;
    // (row name, value) of every valueChanged since the spy was made.
    static QList<Report> reports(const QSignalSpy& spy) {
        QList<Report> out;
        for (const QList<QVariant>& args : spy)
            out << Report(args.at(0).value<Property*>()->propertyName(), args.at(1));
        return out;
    }

private slots:
    void initTestCase() { qRegisterMetaType<Property*>(); }

    void rowTypes_data() {
        QTest::addColumn<int>("typeId");
        QTest::addColumn<QVariant>("initial");  // invalid: no row
        QTest::addColumn<QStringList>("subNames");
        const int enumId = VariantPropertyManager::enumTypeId();
        QTest::newRow("int") << int(QVariant::Int) << QVariant(0) << QStringList();
        QTest::newRow("string") << int(QVariant::String) << QVariant(QString()) << QStringList();
        QTest::newRow("bool") << int(QVariant::Bool) << QVariant(false) << QStringList();
        QTest::newRow("point") << int(QVariant::Point) << QVariant(QPoint())
                               << QStringList{"X", "Y"};
        QTest::newRow("enum") << enumId << QVariant(0) << QStringList();
        QTest::newRow("flag") << VariantPropertyManager::flagTypeId() << QVariant(0)
                              << QStringList();
        QTest::newRow("double") << int(QVariant::Double) << QVariant() << QStringList();
        QTest::newRow("modifiers")
            << qMetaTypeId<Qt::KeyboardModifiers>() << QVariant() << QStringList();
    }
    void rowTypes() {
        QFETCH(int, typeId);
        QFETCH(QVariant, initial);
        QFETCH(QStringList, subNames);
        VariantPropertyManager manager;
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        Property* row = manager.addProperty(typeId, "row");
        QCOMPARE(row != nullptr, initial.isValid());
        QCOMPARE(manager.properties().size(), row ? 1 + subNames.size() : 0);
        if (!row) return;
        QCOMPARE(row->propertyType(), typeId);
        QCOMPARE(manager.value(row), initial);
        QCOMPARE(manager.value(row).userType(), initial.userType());
        // Initial values are reported too, the row's first.
        QCOMPARE(changed.count(), 1 + subNames.size());
        QCOMPARE(reports(changed).first(), Report("row", initial));
        QStringList names;
        for (Property* sub : row->subProperties()) {
            names << sub->propertyName();
            QCOMPARE(sub->parentProperty(), row);
        }
        QCOMPARE(names, subNames);
    }

    void integerBounds_data() {
        QTest::addColumn<BoundsCase>("c");
        QTest::newRow("unbounded") << BoundsCase{{}, {}, -7, -7, INT_MIN, INT_MAX};
        QTest::newRow("inside") << BoundsCase{1, 100, 50, 50, 1, 100};
        QTest::newRow("below") << BoundsCase{1, 100, 0, 1, 1, 100};
        QTest::newRow("above") << BoundsCase{1, 100, 1000, 100, 1, 100};
        QTest::newRow("maximum below minimum drags it") << BoundsCase{10, 5, 7, 5, 5, 5};
        QTest::newRow("unparsable bound ignored") << BoundsCase{"x", 9, -3, -3, INT_MIN, 9};
    }
    // Bounds hold the value whether they come before it or after.
    void integerBounds() {
        QFETCH(BoundsCase, c);
        VariantPropertyManager manager;
        Property* before = manager.addProperty(QVariant::Int, "n");
        Property* after = manager.addProperty(QVariant::Int, "m");
        manager.setValue(after, c.set);
        for (Property* row : {before, after}) {
            if (c.minimum.isValid()) manager.setAttribute(row, "minimum", c.minimum);
            if (c.maximum.isValid()) manager.setAttribute(row, "maximum", c.maximum);
        }
        manager.setValue(before, c.set);
        for (Property* row : {before, after}) {
            QCOMPARE(manager.value(row).toInt(), c.expected);
            QCOMPARE(manager.attribute(row, "minimum").toInt(), c.expectedMin);
            QCOMPARE(manager.attribute(row, "maximum").toInt(), c.expectedMax);
        }
    }

    void whatIsReported() {
        VariantPropertyManager manager;
        Property* row = manager.addProperty(QVariant::Int, "n");
        manager.setValue(row, 500);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        QSignalSpy attributes(&manager, &VariantPropertyManager::attributeChanged);
        // An attribute change reports the (clamped) value too.
        manager.setAttribute(row, "maximum", 100);
        QCOMPARE(reports(changed), QList<Report>{Report("n", 100)});
        QCOMPARE(attributes.count(), 1);
        // No report for an attribute the row type lacks, or an unchanged or
        // unconvertible value.
        changed.clear();
        manager.setAttribute(row, "enumNames", QStringList{"a"});
        QVERIFY(!manager.attribute(row, "enumNames").isValid());
        manager.setValue(row, 100);
        manager.setValue(row, "not a number");
        QCOMPARE(changed.count(), 0);
        manager.setValue(row, "42");
        QCOMPARE(manager.value(row).toInt(), 42);
    }

    void pointRowAndItsSubRowsStayInStep() {
        VariantPropertyManager manager;
        Property* point = manager.addProperty(QVariant::Point, "p");
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.setValue(point, QPoint(100, 250));
        QCOMPARE(reports(changed), (QList<Report>{Report("p", QPoint(100, 250)), Report("X", 100),
                                                  Report("Y", 250)}));
        // An edit of x is also the point row's new value, reported once.
        changed.clear();
        manager.setValue(point->subProperties().at(0), -5);
        QCOMPARE(reports(changed), (QList<Report>{Report("X", -5), Report("p", QPoint(-5, 250))}));
        QCOMPARE(point->valueText(), QString("-5, 250"));
    }

    void flagRows() {
        VariantPropertyManager manager;
        Property* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "mods");
        manager.setAttribute(flags, "flagNames", QStringList{"Shift", "Ctrl", "Alt", "Win"});
        manager.setValue(flags, 6);
        QStringList ticks;
        for (Property* sub : flags->subProperties())
            ticks << sub->propertyName() + (manager.value(sub).toBool() ? "+" : "-");
        QCOMPARE(ticks, (QStringList{"Shift-", "Ctrl+", "Alt+", "Win-"}));
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.setValue(flags->subProperties().at(0), true);
        QCOMPARE(reports(changed), (QList<Report>{Report("Shift", true), Report("mods", 7)}));
        QCOMPARE(flags->valueText(), QString("Shift|Ctrl|Alt"));
        manager.setValue(flags, 0xff);  // bits beyond the named ones do not exist
        QCOMPARE(manager.value(flags).toInt(), 0xf);

        // Fewer names drop the sub-rows and bits past them.
        Property* win = flags->subProperties().at(3);
        manager.setValue(flags, 10);
        manager.setAttribute(flags, "flagNames", QStringList{"a", "b"});
        QVERIFY(!manager.owns(win));
        QCOMPARE(flags->subProperties().size(), 2);
        QCOMPARE(manager.value(flags).toInt(), 2);
        QVERIFY(manager.value(flags->subProperties().at(1)).toBool());
    }

    void clearDeletesEveryRow() {
        VariantPropertyManager manager;
        Property* point = manager.addProperty(QVariant::Point, "p");
        QSignalSpy removed(&manager, &VariantPropertyManager::propertyAboutToBeDeleted);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.clear();
        QCOMPARE(removed.count(), 3);
        QCOMPARE(changed.count(), 0);
        QVERIFY(manager.properties().isEmpty());
        // Deleted rows are refused, not touched.
        QVERIFY(!manager.value(point).isValid());
        manager.setValue(point, QPoint(1, 1));
        QVERIFY(!manager.owns(point));
    }
};

QTEST_MAIN(TestPropertyManager)
#include "tst_propertymanager.moc"
