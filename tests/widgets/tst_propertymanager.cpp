#include <QPoint>
#include <QSignalSpy>
#include <QtTest>
#include <climits>

#include "Property.h"
#include "VariantPropertyManager.h"

Q_DECLARE_METATYPE(Property*)

// The rows of the property grid: types, attributes, sub-rows and the signals that
// browsers and the automatic property browser rely on.
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
        QTest::addColumn<int>("valueType");
        QTest::addColumn<QVariant>("initial");
        QTest::addColumn<QStringList>("subNames");
        QTest::newRow("int") << int(QVariant::Int) << int(QVariant::Int) << QVariant(0)
                             << QStringList();
        QTest::newRow("string") << int(QVariant::String) << int(QVariant::String)
                                << QVariant(QString()) << QStringList();
        QTest::newRow("bool") << int(QVariant::Bool) << int(QVariant::Bool) << QVariant(false)
                              << QStringList();
        QTest::newRow("point") << int(QVariant::Point) << int(QVariant::Point)
                               << QVariant(QPoint(0, 0)) << QStringList{"X", "Y"};
        QTest::newRow("enum") << VariantPropertyManager::enumTypeId() << int(QVariant::Int)
                              << QVariant(0) << QStringList();
        QTest::newRow("flag") << VariantPropertyManager::flagTypeId() << int(QVariant::Int)
                              << QVariant(0) << QStringList();
    }
    void rowTypes() {
        QFETCH(int, typeId);
        QFETCH(int, valueType);
        QFETCH(QVariant, initial);
        QFETCH(QStringList, subNames);
        VariantPropertyManager manager;
        Property* row = manager.addProperty(typeId, "row");
        QVERIFY(row);
        QCOMPARE(row->propertyName(), QString("row"));
        QCOMPARE(row->propertyType(), typeId);
        QCOMPARE(row->valueType(), valueType);
        QCOMPARE(int(manager.value(row).userType()), valueType);
        QCOMPARE(manager.value(row), initial);
        QCOMPARE(row->propertyManager(), &manager);
        QVERIFY(row->isEnabled());
        QStringList names;
        for (Property* sub : row->subProperties()) {
            names << sub->propertyName();
            QCOMPARE(sub->parentProperty(), row);
            QCOMPARE(sub->propertyType(), int(QVariant::Int));
        }
        QCOMPARE(names, subNames);
    }

    void unsupportedTypesMakeNoRow_data() {
        QTest::addColumn<int>("typeId");
        QTest::newRow("double") << int(QVariant::Double);
        QTest::newRow("modifier flags") << qMetaTypeId<Qt::KeyboardModifiers>();
        QTest::newRow("invalid") << int(QVariant::Invalid);
    }
    void unsupportedTypesMakeNoRow() {
        QFETCH(int, typeId);
        VariantPropertyManager manager;
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        QVERIFY(!manager.addProperty(typeId, "row"));
        QVERIFY(manager.properties().isEmpty());
        QCOMPARE(changed.count(), 0);
    }

    void initialValuesAreReported() {
        VariantPropertyManager manager;
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        Property* number = manager.addProperty(QVariant::Int, "n");
        QCOMPARE(reports(changed), QList<Report>{Report("n", 0)});
        changed.clear();
        Property* point = manager.addProperty(QVariant::Point, "p");
        QCOMPARE(reports(changed),
                 (QList<Report>{Report("p", QPoint()), Report("X", 0), Report("Y", 0)}));
        QCOMPARE(manager.properties().size(), 4);
        QVERIFY(manager.owns(number) && manager.owns(point->subProperties().at(1)));
    }

    void attributeChangesReportTheValue() {
        VariantPropertyManager manager;
        Property* row = manager.addProperty(QVariant::Int, "n");
        manager.setValue(row, 5);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        QSignalSpy attributes(&manager, &VariantPropertyManager::attributeChanged);
        manager.setAttribute(row, "minimum", 1);
        QCOMPARE(reports(changed), QList<Report>{Report("n", 5)});
        QCOMPARE(attributes.count(), 1);
        QCOMPARE(attributes.at(0).at(1).toString(), QString("minimum"));
        QCOMPARE(attributes.at(0).at(2).toInt(), 1);

        // An attribute a row type does not have is ignored without a report.
        changed.clear();
        manager.setAttribute(row, "enumNames", QStringList{"a"});
        QCOMPARE(changed.count(), 0);
        QVERIFY(!manager.attribute(row, "enumNames").isValid());
    }

    void integerBounds_data() {
        QTest::addColumn<QVariant>("minimum");
        QTest::addColumn<QVariant>("maximum");
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("expectedMin");
        QTest::addColumn<int>("expectedMax");
        QTest::newRow("unbounded") << QVariant() << QVariant() << -7 << -7 << INT_MIN << INT_MAX;
        QTest::newRow("inside") << QVariant(1) << QVariant(100) << 50 << 50 << 1 << 100;
        QTest::newRow("below") << QVariant(1) << QVariant(100) << 0 << 1 << 1 << 100;
        QTest::newRow("above") << QVariant(1) << QVariant(100) << 1000 << 100 << 1 << 100;
        QTest::newRow("at maximum") << QVariant(1) << QVariant(100) << 100 << 100 << 1 << 100;
        QTest::newRow("maximum below minimum drags the minimum")
            << QVariant(10) << QVariant(5) << 7 << 5 << 5 << 5;
        QTest::newRow("unparsable bound ignored")
            << QVariant("x") << QVariant(9) << -3 << -3 << INT_MIN << 9;
    }
    void integerBounds() {
        QFETCH(QVariant, minimum);
        QFETCH(QVariant, maximum);
        QFETCH(int, set);
        QFETCH(int, expected);
        QFETCH(int, expectedMin);
        QFETCH(int, expectedMax);
        VariantPropertyManager manager;
        Property* row = manager.addProperty(QVariant::Int, "n");
        if (minimum.isValid()) manager.setAttribute(row, "minimum", minimum);
        if (maximum.isValid()) manager.setAttribute(row, "maximum", maximum);
        manager.setValue(row, set);
        QCOMPARE(manager.value(row).toInt(), expected);
        QCOMPARE(manager.attribute(row, "minimum").toInt(), expectedMin);
        QCOMPARE(manager.attribute(row, "maximum").toInt(), expectedMax);
    }

    void boundsSetLaterClampTheValue() {
        VariantPropertyManager manager;
        Property* row = manager.addProperty(QVariant::Int, "n");
        manager.setValue(row, 500);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.setAttribute(row, "maximum", 100);
        QCOMPARE(manager.value(row).toInt(), 100);
        QCOMPARE(reports(changed), QList<Report>{Report("n", 100)});
    }

    void unchangedOrUnconvertibleValuesAreNotReported() {
        VariantPropertyManager manager;
        Property* number = manager.addProperty(QVariant::Int, "n");
        Property* point = manager.addProperty(QVariant::Point, "p");
        manager.setValue(number, 3);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.setValue(number, 3);
        manager.setValue(number, "not a number");
        manager.setValue(point, "nowhere");
        QCOMPARE(changed.count(), 0);
        QCOMPARE(manager.value(number).toInt(), 3);
        manager.setValue(number, "42");
        QCOMPARE(manager.value(number).toInt(), 42);
    }

    void pointRowAndItsSubRowsStayInStep() {
        VariantPropertyManager manager;
        Property* point = manager.addProperty(QVariant::Point, "p");
        Property* x = point->subProperties().at(0);
        Property* y = point->subProperties().at(1);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);

        manager.setValue(point, QPoint(100, 250));
        QCOMPARE(manager.value(x).toInt(), 100);
        QCOMPARE(manager.value(y).toInt(), 250);
        QCOMPARE(reports(changed), (QList<Report>{Report("p", QPoint(100, 250)), Report("X", 100),
                                                  Report("Y", 250)}));

        // An edit of x is also the point row's new value, reported once.
        changed.clear();
        manager.setValue(x, -5);
        QCOMPARE(manager.value(point).toPoint(), QPoint(-5, 250));
        QCOMPARE(reports(changed), (QList<Report>{Report("X", -5), Report("p", QPoint(-5, 250))}));
        QCOMPARE(point->valueText(), QString("-5, 250"));
    }

    void flagRows() {
        VariantPropertyManager manager;
        Property* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "mods");
        QSignalSpy added(&manager, &VariantPropertyManager::subPropertyAdded);
        manager.setAttribute(flags, "flagNames", QStringList{"Shift", "Ctrl", "Alt", "Win"});
        QCOMPARE(added.count(), 4);
        QStringList names;
        for (Property* sub : flags->subProperties()) {
            names << sub->propertyName();
            QCOMPARE(sub->propertyType(), int(QVariant::Bool));
        }
        QCOMPARE(names, (QStringList{"Shift", "Ctrl", "Alt", "Win"}));

        manager.setValue(flags, 6);
        QList<bool> ticks;
        for (Property* sub : flags->subProperties()) ticks << manager.value(sub).toBool();
        QCOMPARE(ticks, (QList<bool>{false, true, true, false}));
        QCOMPARE(flags->valueText(), QString("Ctrl|Alt"));

        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.setValue(flags->subProperties().at(0), true);
        QCOMPARE(manager.value(flags).toInt(), 7);
        QCOMPARE(reports(changed), (QList<Report>{Report("Shift", true), Report("mods", 7)}));
        QCOMPARE(flags->valueText(), QString("Shift|Ctrl|Alt"));

        // Bits beyond the named ones do not exist.
        manager.setValue(flags, 0xff);
        QCOMPARE(manager.value(flags).toInt(), 0xf);
    }

    void fewerFlagNamesDropSubRowsAndBits() {
        VariantPropertyManager manager;
        Property* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "f");
        manager.setAttribute(flags, "flagNames", QStringList{"a", "b", "c"});
        manager.setValue(flags, 6);
        Property* third = flags->subProperties().at(2);
        QSignalSpy removed(&manager, &VariantPropertyManager::propertyAboutToBeDeleted);
        manager.setAttribute(flags, "flagNames", QStringList{"a", "b"});
        QCOMPARE(removed.count(), 3);
        QVERIFY(!manager.owns(third));
        QCOMPARE(flags->subProperties().size(), 2);
        QCOMPARE(manager.value(flags).toInt(), 2);
        QVERIFY(manager.value(flags->subProperties().at(1)).toBool());
        QVERIFY(!manager.value(flags->subProperties().at(0)).toBool());
    }

    void flagRowWithOneEmptyName() {
        VariantPropertyManager manager;
        Property* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "f");
        manager.setAttribute(flags, "flagNames", QString().split('|'));
        QCOMPARE(flags->subProperties().size(), 1);
        QCOMPARE(flags->subProperties().at(0)->propertyName(), QString());
    }

    void valueText_data() {
        QTest::addColumn<int>("typeId");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        const int enumId = VariantPropertyManager::enumTypeId();
        const int flagId = VariantPropertyManager::flagTypeId();
        const QStringList choices{"按下", "抬起", "敲击"};
        QTest::newRow("int") << int(QVariant::Int) << QStringList() << QVariant(-12) << "-12";
        QTest::newRow("string") << int(QVariant::String) << QStringList() << QVariant("abc")
                                << "abc";
        QTest::newRow("point") << int(QVariant::Point) << QStringList()
                               << QVariant(QPoint(100, 250)) << "100, 250";
        QTest::newRow("enum") << enumId << choices << QVariant(1) << "抬起";
        QTest::newRow("enum out of range") << enumId << choices << QVariant(5) << "";
        QTest::newRow("no flags") << flagId << QStringList{"a", "b"} << QVariant(0) << "";
        QTest::newRow("one flag") << flagId << QStringList{"a", "b"} << QVariant(2) << "b";
    }
    void valueText() {
        QFETCH(int, typeId);
        QFETCH(QStringList, names);
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        VariantPropertyManager manager;
        Property* row = manager.addProperty(typeId, "row");
        if (typeId == VariantPropertyManager::enumTypeId())
            manager.setAttribute(row, "enumNames", names);
        if (typeId == VariantPropertyManager::flagTypeId())
            manager.setAttribute(row, "flagNames", names);
        manager.setValue(row, value);
        QCOMPARE(row->valueText(), text);
    }

    void disablingReachesSubRows() {
        VariantPropertyManager manager;
        Property* point = manager.addProperty(QVariant::Point, "p");
        Property* x = point->subProperties().at(0);
        QSignalSpy changed(&manager, &VariantPropertyManager::propertyChanged);
        point->setEnabled(false);
        QCOMPARE(changed.count(), 1);
        QVERIFY(!point->isEnabled());
        QVERIFY(x->isEnabled());
        QVERIFY(!x->isEffectivelyEnabled());
        point->setEnabled(false);
        QCOMPARE(changed.count(), 1);
        point->setEnabled(true);
        QVERIFY(x->isEffectivelyEnabled());
        // A disabled row still takes values set by the program.
        point->setEnabled(false);
        manager.setValue(point, QPoint(1, 2));
        QCOMPARE(manager.value(point).toPoint(), QPoint(1, 2));
    }

    void clearDeletesEveryRow() {
        VariantPropertyManager manager;
        Property* point = manager.addProperty(QVariant::Point, "p");
        Property* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "f");
        manager.setAttribute(flags, "flagNames", QStringList{"a", "b"});
        QCOMPARE(manager.properties().size(), 6);
        QSignalSpy removed(&manager, &VariantPropertyManager::propertyAboutToBeDeleted);
        QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
        manager.clear();
        QCOMPARE(removed.count(), 6);
        QCOMPARE(changed.count(), 0);
        QVERIFY(manager.properties().isEmpty());
        QVERIFY(!manager.owns(point));
        QVERIFY(!manager.value(point).isValid());
        // Deleted rows are refused, not touched.
        manager.setValue(point, QPoint(1, 1));
        QVERIFY(manager.addProperty(QVariant::Int, "again"));
        QCOMPARE(manager.properties().size(), 1);
    }
};

QTEST_MAIN(TestPropertyManager)
#include "tst_propertymanager.moc"
