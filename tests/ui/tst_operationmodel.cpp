// The table model of a flow: its cells, the drops that add and move rows, and the palette
// the added operations are dragged from.
#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

#include "model/OperationFactory.h"
#include "support/LetterTable.h"
#include "ui/OperationTreeWidget.h"

namespace {
QMimeData* mime(const QString& format, const QByteArray& payload) {
    auto* data = new QMimeData;
    data->setData(format, payload);
    return data;
}
}  // namespace

class TestOperationModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { OperationFactory::registerStandardOperations(); }

    void cells() {
        LetterTable table("AB");
        OperationModel& model = table.model;
        model.operationAt(0)->setInterval(1234);
        QCOMPARE(model.data(model.index(0, 1)), QVariant(model.operationAt(0)->description()));
        QCOMPARE(model.data(model.index(0, 2)), QVariant(1234));   // a number, not a text
        QCOMPARE(model.headerData(6, Qt::Vertical), QVariant(7));  // rows count from one
        // Dragged rows are named once each, in table order.
        QScopedPointer<QMimeData> rows(
            model.mimeData({model.index(1, 1), model.index(0, 0), model.index(1, 2)}));
        QCOMPARE(rows->data(OperationModel::moveRowMimeType).toHex(),
                 QByteArray("0000000000000001"));
    }

    // A drop of a row onto another puts it in that row's place; of a new operation, before it.
    void drop_data() {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("from");  // -1: a new key operation ("?")
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::addColumn<QString>("expected");
        QTest::newRow("A below the last row") << "ABCD" << 0 << 4 << -1 << "BCDA";
        QTest::newRow("A onto C") << "ABCD" << 0 << 2 << -1 << "BACD";
        QTest::newRow("C onto A") << "ABCD" << 2 << 0 << -1 << "CABD";
        QTest::newRow("B onto the row below") << "ABCD" << 1 << 2 << -1 << "ABCD";
        QTest::newRow("parent row wins") << "ABCD" << 0 << 1 << 3 << "BCAD";
        QTest::newRow("no row: append") << "ABCD" << 1 << -1 << -1 << "ACDB";
        QTest::newRow("source past the end") << "ABCD" << 4 << 0 << -1 << "ABCD";
        QTest::newRow("target past the end") << "ABCD" << 0 << 9 << -1 << "ABCD";
        QTest::newRow("new onto row 1") << "ABCD" << -1 << -1 << 1 << "A?BCD";
        QTest::newRow("new, no row: append") << "AB" << -1 << -1 << -1 << "AB?";
        QTest::newRow("new past the end") << "AB" << -1 << 3 << -1 << "AB";
    }
    void drop() {
        QFETCH(QString, initial);
        QFETCH(int, from);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        QFETCH(QString, expected);
        LetterTable table(initial);
        OperationModel& model = table.model;
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QScopedPointer<QMimeData> data(
            from < 0 ? mime(OperationModel::addOperationMimeType,
                            OperationModel::addOperationPayload("key_input", "输入按键"))
                     : mime(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(from)));
        const QModelIndex parent = parentRow >= 0 ? model.index(parentRow, 0) : QModelIndex();
        QVERIFY(model.dropMimeData(data.data(), from < 0 ? Qt::CopyAction : Qt::MoveAction, row, 0,
                                   parent));
        QCOMPARE(table.order(), expected);
        QCOMPARE(changed.count(), expected == initial ? 0 : 1);
    }

    // The model follows every kind of change of the flow, whoever makes it.
    void followsTheFlow() {
        LetterTable table("ABCD");
        QAbstractItemModelTester tester(&table.model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy cells(&table.model, &QAbstractItemModel::dataChanged);
        table.document.duplicateOperations({1, 3});
        table.document.moveOperations({0, 4}, 3);
        table.document.removeOperations({0, 3, 4, 9});
        QCOMPARE(table.order(), QStringLiteral("CAD"));
        QVERIFY(table.document.setValues(table.document.flow()->operationAt(2), {{"text", "Z"}},
                                         "text"));
        QCOMPARE(table.model.data(table.model.index(2, 1)),
                 QVariant(QStringLiteral("输入文本: Z")));
        QCOMPARE(cells.last().at(0).value<QModelIndex>().row(), 2);
    }

    // A type of the palette drags the add-operation payload; a category drags nothing.
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
