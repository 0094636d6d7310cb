// The table model of a flow: its cells, the drops that add and move rows, and the palette
// the added operations are dragged from.
#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "model/OperationFactory.h"
#include "support/LetterTable.h"
#include "ui/OperationPanelWidget.h"
#include "ui/OperationTreeWidget.h"

namespace {
const char* const kAddFormat = "application/x-add-operation-to-table";
const char* const kMoveFormat = "application/x-move-row-in-operation-table";

QMimeData* mime(const char* format, const QByteArray& payload) {
    auto* data = new QMimeData;
    data->setData(format, payload);
    return data;
}
}  // namespace

struct MoveCase {
    int from, row, parentRow;
    QString expected;
    int destination;  // -1: no move announced
};
Q_DECLARE_METATYPE(MoveCase)

struct AddCase {
    QString initial, type;
    int row, parentRow;
    QString expected;  // "?": the new operation
};
Q_DECLARE_METATYPE(AddCase)

class TestOperationModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { OperationFactory::registerStandardOperations(); }

    void cells() {
        LetterTable table("AB");
        OperationModel& model = table.model;
        model.operationAt(0)->setInterval(1234);
        QCOMPARE(model.data(model.index(0, 1)), QVariant(model.operationAt(0)->description()));
        QCOMPARE(model.data(model.index(0, 2)), QVariant(1234));  // a number, not a text
        QVERIFY(!model.data(model.index(0, 3)).isValid());        // the delegate paints the buttons
        QCOMPARE(model.headerData(6, Qt::Vertical), QVariant(7));  // rows count from one
        // Dragged rows are named once each, in table order.
        QScopedPointer<QMimeData> rows(
            model.mimeData({model.index(1, 1), model.index(0, 0), model.index(1, 2)}));
        QCOMPARE(rows->data(kMoveFormat).toHex(), QByteArray("0000000000000001"));
    }

    void moveDrop_data() {
        QTest::addColumn<MoveCase>("c");
        QTest::newRow("A below the last row") << MoveCase{0, 4, -1, "BCDA", 4};
        QTest::newRow("A onto C") << MoveCase{0, 2, -1, "BACD", 2};
        QTest::newRow("C onto A") << MoveCase{2, 0, -1, "CABD", 0};
        QTest::newRow("B onto the row below") << MoveCase{1, 2, -1, "ABCD", -1};
        QTest::newRow("parent row wins") << MoveCase{0, 1, 3, "BCAD", 3};
        QTest::newRow("no row: append") << MoveCase{1, -1, -1, "ACDB", 4};
        QTest::newRow("source past the end") << MoveCase{4, 0, -1, "ABCD", -1};
        QTest::newRow("source -1") << MoveCase{-1, 2, -1, "ABCD", -1};
        QTest::newRow("target past the end") << MoveCase{0, 9, -1, "ABCD", -1};
    }
    void moveDrop() {
        QFETCH(MoveCase, c);
        LetterTable table("ABCD");
        OperationModel& model = table.model;
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QSignalSpy moving(&model, &QAbstractItemModel::rowsAboutToBeMoved);
        QScopedPointer<QMimeData> data(mime(kMoveFormat, OperationModel::moveRowPayload(c.from)));
        const QModelIndex parent = c.parentRow >= 0 ? model.index(c.parentRow, 0) : QModelIndex();
        QVERIFY(model.dropMimeData(data.data(), Qt::MoveAction, c.row, 0, parent));
        QCOMPARE(table.order(), c.expected);
        QCOMPARE(changed.count(), c.destination < 0 ? 0 : 1);
        QCOMPARE(moving.count(), c.destination < 0 ? 0 : 1);
        if (c.destination >= 0) QCOMPARE(moving.at(0).at(4).toInt(), c.destination);
    }

    void addDrop_data() {
        QTest::addColumn<AddCase>("c");
        QTest::newRow("empty table") << AddCase{"", "key_input", -1, -1, "?"};
        QTest::newRow("before row 2") << AddCase{"ABCD", "key_input", 2, -1, "AB?CD"};
        QTest::newRow("onto row 1") << AddCase{"ABCD", "key_input", -1, 1, "A?BCD"};
        QTest::newRow("no row: append") << AddCase{"ABCD", "key_input", -1, -1, "ABCD?"};
        QTest::newRow("past the end") << AddCase{"ABCD", "key_input", 5, -1, "ABCD"};
        QTest::newRow("unknown type") << AddCase{"AB", "teleport", 0, -1, "AB"};
    }
    void addDrop() {
        QFETCH(AddCase, c);
        LetterTable table(c.initial);
        OperationModel& model = table.model;
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        const QModelIndex parent = c.parentRow >= 0 ? model.index(c.parentRow, 0) : QModelIndex();
        QScopedPointer<QMimeData> data(
            mime(kAddFormat, OperationModel::addOperationPayload(c.type, "输入按键")));
        QVERIFY(model.dropMimeData(data.data(), Qt::CopyAction, c.row, 0, parent));
        QCOMPARE(table.order(), c.expected);
        QCOMPARE(changed.count(), c.expected == c.initial ? 0 : 1);
        const int added = c.expected.indexOf('?');
        if (added >= 0) QCOMPARE(model.operationAt(added)->typeName(), c.type);
    }

    void refusedDrops() {
        LetterTable table("AB");
        OperationModel& model = table.model;
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QMimeData text;
        text.setText(QStringLiteral("key_input"));
        QScopedPointer<QMimeData> ours(
            mime(kAddFormat, OperationModel::addOperationPayload("key_input", "x")));
        QVERIFY(!model.dropMimeData(nullptr, Qt::CopyAction, 0, 0, {}));
        QVERIFY(!model.dropMimeData(&text, Qt::CopyAction, 0, 0, {}));
        QVERIFY(model.dropMimeData(ours.data(), Qt::IgnoreAction, 0, 0, {}));
        QCOMPARE(table.order(), QStringLiteral("AB"));
        QCOMPARE(changed.count(), 0);
    }

    // The model follows every kind of change of the flow, whoever makes it.
    void followsTheFlow() {
        LetterTable table("ABCD");
        QAbstractItemModelTester tester(&table.model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy changed(&table.model, &OperationModel::sigDataChanged);
        QSignalSpy cells(&table.model, &QAbstractItemModel::dataChanged);
        Flow* flow = table.document.flow();
        table.document.duplicateOperations({1, 3});
        QCOMPARE(table.order(), QStringLiteral("ABCDBD"));
        table.document.moveOperations({0, 4}, 3);
        QCOMPARE(table.order(), QStringLiteral("BCABDD"));
        table.document.removeOperations({0, 3, 4, 9});
        QCOMPARE(table.order(), QStringLiteral("CAD"));
        QVERIFY(table.document.setValues(flow->operationAt(2), {{"text", "Z"}}, "text"));
        QCOMPARE(table.model.data(table.model.index(2, 1)),
                 QVariant(QStringLiteral("输入文本: Z")));
        QCOMPARE(cells.last().at(0).value<QModelIndex>().row(), 2);
        QCOMPARE(changed.count(),
                 1 + 2 + 2 + 1);  // an insert, two moves, two runs removed, a value
        QPointer<Operation> a = flow->operationAt(0);
        std::vector<std::unique_ptr<Operation>> taken = flow->takeOperations(0, 2);
        QCOMPARE(taken.size(), size_t(2));
        QVERIFY(a && !a->parent());  // handed over, not destroyed
        QCOMPARE(table.model.rowCount(), 1);
    }

    // The palette of operation types: each type once, under its category.
    void everyTypeUnderItsCategory() {
        OperationPanelWidget panel;
        auto* tree = panel.findChild<OperationTreeWidget*>();
        QStringList listed, expected;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            for (int j = 0; j < tree->topLevelItem(i)->childCount(); ++j)
                listed << tree->topLevelItem(i)->text(0) + ": " +
                              tree->topLevelItem(i)->child(j)->data(0, Qt::UserRole).toString();
        for (const Operation* op : OperationFactory::instance()->prototypes())
            expected << op->category() + ": " + op->typeName();
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
        QVERIFY(tree->topLevelItemCount() < expected.size());  // categories are shared
    }

    // A type drags the add-operation payload; a category drags nothing.
    void dragPayload() {
        OperationTreeWidget tree;
        tree.populate(OperationFactory::instance()->prototypes());
        const auto item = [&](const QString& text) {
            return tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive).value(0);
        };
        QScopedPointer<QMimeData> type(OperationTreeWidget::dragMimeData(item("输入按键")));
        QCOMPARE(type->data(OperationModel::addOperationMimeType),
                 OperationModel::addOperationPayload("key_input", "输入按键"));
        QVERIFY(!OperationTreeWidget::dragMimeData(item("鼠标")));
    }
};

QTEST_MAIN(TestOperationModel)
#include "tst_operationmodel.moc"
