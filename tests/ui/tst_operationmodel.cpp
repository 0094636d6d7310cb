#include <QDataStream>
#include <QLoggingCategory>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include "Flow.h"
#include "KeyboardOperation.h"
#include "OperationFactory.h"
#include "OperationModel.h"
#include "TextInputOperation.h"

namespace {
const char* const kAddFormat = "application/x-add-operation-to-table";
const char* const kMoveFormat = "application/x-move-row-in-operation-table";

// A text operation whose text names the row it started in, so orders read "ABCD".
TextInputOperation* letter(const QString& text, int interval = 50) {
    auto* op = new TextInputOperation;
    op->setText(text);
    op->setInterval(interval);
    return op;
}

void fillLetters(OperationModel& model, const QString& letters) {
    for (const QChar c : letters) model.insertOperation(model.rowCount(), letter(QString(c)));
}

QString order(const OperationModel& model) {
    QString s;
    for (const Operation* op : model.flow()->operations) {
        const auto* text = qobject_cast<const TextInputOperation*>(op);
        s += text ? text->text() : QStringLiteral("?");
    }
    return s;
}

QMimeData* movePayload(qint32 row) {
    auto* mime = new QMimeData;
    mime->setData(kMoveFormat, OperationModel::moveRowPayload(row));
    return mime;
}

QMimeData* addPayload(const QString& typeName, const QString& text = QString()) {
    auto* mime = new QMimeData;
    mime->setData(kAddFormat, OperationModel::addOperationPayload(typeName, text));
    return mime;
}

QStringList capturedLog;
void captureMessage(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QByteArray(context.category) == "tapwise") capturedLog << text;
}
}  // namespace

class TestOperationModel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=false"));
    }

    void constructionOwnsAnEmptyFlow() {
        QPointer<Flow> flow;
        {
            OperationModel model;
            flow = model.flow();
            QVERIFY(flow);
            QCOMPARE(flow->parent(), &model);
            QCOMPARE(model.rowCount(), 0);
            QVERIFY(model.filePath().isEmpty());
            model.setFilePath(QStringLiteral("/tmp/a.flow"));
            QCOMPARE(model.filePath(), QStringLiteral("/tmp/a.flow"));
        }
        QVERIFY(flow.isNull());
    }

    void headers_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected");
        const int h = Qt::Horizontal, v = Qt::Vertical, display = Qt::DisplayRole;
        QTest::newRow("type") << 0 << h << display << QVariant(QStringLiteral("操作类型"));
        QTest::newRow("description") << 1 << h << display << QVariant(QStringLiteral("描述"));
        QTest::newRow("interval") << 2 << h << display
                                  << QVariant(QStringLiteral("执行间隔（毫秒）"));
        QTest::newRow("edit") << 3 << h << display << QVariant(QStringLiteral("编辑"));
        QTest::newRow("rows count from one") << 0 << v << display << QVariant(1);
        QTest::newRow("row 7") << 6 << v << display << QVariant(7);
        // Anything else is the base class's answer.
        QTest::newRow("column 4") << 4 << h << display << QVariant(5);
        QTest::newRow("tool-tip") << 0 << h << int(Qt::ToolTipRole) << QVariant();
        QTest::newRow("vertical decoration") << 0 << v << int(Qt::DecorationRole) << QVariant();
    }
    void headers() {
        QFETCH(int, section);
        QFETCH(int, orientation);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        OperationModel model;
        QCOMPARE(model.headerData(section, Qt::Orientation(orientation), role), expected);
    }

    void cellData_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected");
        const int display = Qt::DisplayRole;
        QTest::newRow("type") << 1 << 0 << display << QVariant(QStringLiteral("输入按键"));
        QTest::newRow("description")
            << 0 << 1 << display << QVariant(QStringLiteral("输入文本: hello"));
        QTest::newRow("interval is a number") << 0 << 2 << display << QVariant(int(1234));
        QTest::newRow("button column is empty") << 0 << 3 << display << QVariant();
        QTest::newRow("decoration") << 0 << 0 << int(Qt::DecorationRole) << QVariant();
        QTest::newRow("edit role") << 0 << 2 << int(Qt::EditRole) << QVariant();
        QTest::newRow("alignment") << 0 << 2 << int(Qt::TextAlignmentRole) << QVariant();
    }
    void cellData() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        OperationModel model;
        model.insertOperation(0, letter(QStringLiteral("hello"), 1234));
        model.insertOperation(1, new KeyboardOperation);
        const QVariant value = model.data(model.index(row, column), role);
        QCOMPARE(value, expected);
        if (expected.isValid()) QCOMPARE(value.userType(), expected.userType());
    }

    void invalidIndexesAndChildren() {
        OperationModel model;
        fillLetters(model, QStringLiteral("AB"));
        const QModelIndex cell = model.index(0, 0);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.rowCount(cell), 0);
        QCOMPARE(model.columnCount(cell), 0);
        QVERIFY(!model.data(QModelIndex()).isValid());
        QVERIFY(!model.index(2, 0).isValid());
    }

    void flags() {
        OperationModel model;
        fillLetters(model, QStringLiteral("AB"));
        QCOMPARE(model.flags(QModelIndex()), Qt::ItemFlags(Qt::ItemIsDropEnabled));
        const Qt::ItemFlags expected = Qt::ItemIsSelectable | Qt::ItemIsEnabled |
                                       Qt::ItemNeverHasChildren | Qt::ItemIsDragEnabled |
                                       Qt::ItemIsDropEnabled;
        for (int column = 0; column < 4; ++column) {
            const Qt::ItemFlags f = model.flags(model.index(1, column));
            QCOMPARE(f, expected);
            QVERIFY(!(f & Qt::ItemIsEditable));
        }
    }

    void formatsAndActions() {
        OperationModel model;
        QCOMPARE(model.mimeTypes(), QStringList({kAddFormat, kMoveFormat}));
        QCOMPARE(model.supportedDropActions(), Qt::CopyAction | Qt::MoveAction);
        QCOMPARE(model.supportedDragActions(), model.supportedDropActions());
    }

    void addPayloadBytes() {
        const QByteArray bytes = OperationModel::addOperationPayload(QStringLiteral("key_input"),
                                                                     QStringLiteral("输入按键"));
        const QByteArray expected = QByteArray::fromHex(
            "00000012"
            "006B00650079005F0069006E007000750074"
            "00000008"
            "8F9351656309952E");
        QCOMPARE(bytes.size(), 34);
        QCOMPARE(bytes.toHex(' '), expected.toHex(' '));
        // A null text is written as the null-string marker.
        QCOMPARE(OperationModel::addOperationPayload(QStringLiteral("a"), QString()).toHex(),
                 QByteArray("000000020061ffffffff"));
    }

    void movePayloadFromIndexes_data() {
        QTest::addColumn<QList<int>>("rows");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("row 2") << QList<int>{2, 2, 2, 2} << QByteArray("00000002");
        QTest::newRow("first index counts") << QList<int>{0, 3} << QByteArray("00000000");
        QTest::newRow("empty list") << QList<int>{} << QByteArray("ffffffff");
    }
    void movePayloadFromIndexes() {
        QFETCH(QList<int>, rows);
        QFETCH(QByteArray, hex);
        OperationModel model;
        fillLetters(model, QStringLiteral("ABCD"));
        QModelIndexList indexes;
        for (int i = 0; i < rows.size(); ++i) indexes << model.index(rows[i], i % 4);
        QScopedPointer<QMimeData> mime(model.mimeData(indexes));
        QCOMPARE(mime->formats(), QStringList{kMoveFormat});
        QCOMPARE(mime->data(kMoveFormat).toHex(), hex);
    }

    void moveDrop_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::addColumn<QString>("expectedOrder");
        QTest::addColumn<int>("destination");  // -1: no move announced
        QTest::newRow("A below the last row") << 0 << 4 << -1 << "BCDA" << 4;
        QTest::newRow("A onto C") << 0 << 2 << -1 << "BACD" << 2;
        QTest::newRow("D onto B") << 3 << 1 << -1 << "ADBC" << 1;
        QTest::newRow("B onto itself") << 1 << 1 << -1 << "ABCD" << -1;
        QTest::newRow("B onto the row below") << 1 << 2 << -1 << "ABCD" << -1;
        QTest::newRow("last row below the rows") << 3 << 4 << -1 << "ABCD" << -1;
        QTest::newRow("C onto A") << 2 << 0 << -1 << "CABD" << 0;
        QTest::newRow("parent row wins") << 0 << 1 << 3 << "BCAD" << 3;
        QTest::newRow("no row: append") << 1 << -1 << -1 << "ACDB" << 4;
        QTest::newRow("source -1") << -1 << 2 << -1 << "ABCD" << -1;
        QTest::newRow("source past the end") << 4 << 0 << -1 << "ABCD" << -1;
        QTest::newRow("target past the end") << 0 << 9 << -1 << "ABCD" << -1;
    }
    void moveDrop() {
        QFETCH(int, from);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        QFETCH(QString, expectedOrder);
        QFETCH(int, destination);
        OperationModel model;
        fillLetters(model, QStringLiteral("ABCD"));
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QSignalSpy moving(&model, &QAbstractItemModel::rowsAboutToBeMoved);
        const QModelIndex parent = parentRow >= 0 ? model.index(parentRow, 0) : QModelIndex();
        QScopedPointer<QMimeData> mime(movePayload(from));

        QVERIFY(model.dropMimeData(mime.data(), Qt::MoveAction, row, 0, parent));
        QCOMPARE(order(model), expectedOrder);
        if (destination < 0) {
            QCOMPARE(moving.count(), 0);
            QCOMPARE(changed.count(), 0);
        } else {
            QCOMPARE(moving.count(), 1);
            QCOMPARE(moving.at(0).at(1).toInt(), from);
            QCOMPARE(moving.at(0).at(2).toInt(), from);
            QCOMPARE(moving.at(0).at(4).toInt(), destination);
            QCOMPARE(changed.count(), 1);
        }
    }

    void addDrop_data() {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::addColumn<int>("expectedRow");
        QTest::newRow("empty table, no row") << "" << -1 << -1 << 0;
        QTest::newRow("empty table, row 3") << "" << 3 << -1 << -1;
        QTest::newRow("empty table, row 0") << "" << 0 << -1 << 0;
        QTest::newRow("before row 2") << "ABCD" << 2 << -1 << 2;
        QTest::newRow("onto row 1") << "ABCD" << -1 << 1 << 1;
        QTest::newRow("below the rows") << "ABCD" << 4 << -1 << 4;
        QTest::newRow("append") << "ABCD" << -1 << -1 << 4;
        QTest::newRow("past the end") << "ABCD" << 5 << -1 << -1;
    }
    void addDrop() {
        QFETCH(QString, initial);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        QFETCH(int, expectedRow);
        OperationModel model;
        fillLetters(model, initial);
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        const QModelIndex parent = parentRow >= 0 ? model.index(parentRow, 0) : QModelIndex();
        QScopedPointer<QMimeData> mime(
            addPayload(QStringLiteral("key_input"), QStringLiteral("输入按键")));

        QVERIFY(model.dropMimeData(mime.data(), Qt::CopyAction, row, 0, parent));
        if (expectedRow < 0) {
            QCOMPARE(model.rowCount(), initial.size());
            QCOMPARE(changed.count(), 0);
            return;
        }
        QCOMPARE(model.rowCount(), initial.size() + 1);
        QCOMPARE(changed.count(), 1);
        Operation* added = model.flow()->operations.at(expectedRow);
        QCOMPARE(added->typeName(), QStringLiteral("key_input"));
        QCOMPARE(added->parent(), &model);
        QCOMPARE(model.headerData(expectedRow, Qt::Vertical).toInt(), expectedRow + 1);
        QString rest = order(model);
        rest.remove(QLatin1Char('?'));
        QCOMPARE(rest, initial);
    }

    void unknownTypeIsIgnored() {
        OperationModel model;
        fillLetters(model, QStringLiteral("AB"));
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QScopedPointer<QMimeData> mime(addPayload(QStringLiteral("teleport")));
        QVERIFY(model.dropMimeData(mime.data(), Qt::CopyAction, 0, 0, QModelIndex()));
        QCOMPARE(order(model), QStringLiteral("AB"));
        QCOMPARE(changed.count(), 0);
    }

    void refusedDrops_data() {
        QTest::addColumn<bool>("withData");
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("expected");
        QTest::newRow("no data") << false << int(Qt::CopyAction) << false;
        QTest::newRow("foreign format") << true << int(Qt::CopyAction) << false;
        QTest::newRow("ignore action, no data") << false << int(Qt::IgnoreAction) << true;
        QTest::newRow("ignore action, foreign format") << true << int(Qt::IgnoreAction) << true;
        QTest::newRow("ignore action, our formats") << true << int(Qt::IgnoreAction) << true;
    }
    void refusedDrops() {
        QFETCH(bool, withData);
        QFETCH(int, action);
        QFETCH(bool, expected);
        OperationModel model;
        fillLetters(model, QStringLiteral("AB"));
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QMimeData mime;
        mime.setText(QStringLiteral("key_input"));
        if (QByteArray(QTest::currentDataTag()).endsWith("our formats")) {
            mime.setData(kAddFormat, OperationModel::addOperationPayload("key_input", "x"));
            mime.setData(kMoveFormat, OperationModel::moveRowPayload(0));
        }
        QCOMPARE(model.dropMimeData(withData ? &mime : nullptr, Qt::DropAction(action), 0, 0,
                                    QModelIndex()),
                 expected);
        QCOMPARE(order(model), QStringLiteral("AB"));
        QCOMPARE(changed.count(), 0);
    }

    void dropLogsItsTarget() {
        OperationModel model;
        fillLetters(model, QStringLiteral("ABC"));
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=true"));
        capturedLog.clear();
        const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
        QScopedPointer<QMimeData> mime(movePayload(0));
        model.dropMimeData(mime.data(), Qt::MoveAction, -1, 0, model.index(2, 0));
        model.dropMimeData(mime.data(), Qt::MoveAction, -1, 0, QModelIndex());
        model.dropMimeData(mime.data(), Qt::IgnoreAction, 1, 0, QModelIndex());
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=false"));
        QCOMPARE(capturedLog, QStringList({"row =  -1 parent.row()= 2 toRow= 2",
                                           "row =  -1 parent.row()= -1 toRow= 3"}));
    }

    void insertAndRemove() {
        OperationModel model;
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        fillLetters(model, QStringLiteral("AC"));
        model.insertOperation(1, letter(QStringLiteral("B")));
        QCOMPARE(order(model), QStringLiteral("ABC"));
        QCOMPARE(changed.count(), 3);
        QCOMPARE(inserted.last().at(1).toInt(), 1);
        QCOMPARE(inserted.last().at(2).toInt(), 1);

        QPointer<Operation> b = model.flow()->operations.at(1);
        bool aliveWhenAnnounced = true;
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&] { aliveWhenAnnounced = !b.isNull(); });
        changed.clear();
        model.removeOperation(1);
        QVERIFY(b.isNull());
        QVERIFY(!aliveWhenAnnounced);  // nothing can reach it once views hear of it
        QCOMPARE(order(model), QStringLiteral("AC"));
        QCOMPARE(changed.count(), 1);
    }

    void outOfRangeRowsChangeNothing_data() {
        QTest::addColumn<int>("row");
        QTest::newRow("-1") << -1;
        QTest::newRow("count + 1") << 3;
        QTest::newRow("far") << 100;
    }
    void outOfRangeRowsChangeNothing() {
        QFETCH(int, row);
        OperationModel model;
        fillLetters(model, QStringLiteral("AB"));
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        QScopedPointer<Operation> stray(letter(QStringLiteral("X")));
        model.insertOperation(row, stray.data());
        QVERIFY(!model.flow()->operations.contains(stray.data()));
        QVERIFY(!stray->parent());
        model.removeOperation(row == 3 ? 2 : row);
        model.copyOperation(row == 3 ? 2 : row);
        QCOMPARE(order(model), QStringLiteral("AB"));
        QCOMPARE(changed.count(), 0);
    }

    void copyIsIndependent() {
        OperationModel model;
        fillLetters(model, QStringLiteral("ABC"));
        auto* b = qobject_cast<TextInputOperation*>(model.flow()->operations.at(1));
        b->setInterval(777);
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        model.copyOperation(1);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(order(model), QStringLiteral("ABBC"));
        for (int column = 0; column < 3; ++column)
            QCOMPARE(model.data(model.index(2, column)), model.data(model.index(1, column)));
        auto* copy = qobject_cast<TextInputOperation*>(model.flow()->operations.at(2));
        QVERIFY(copy != b);
        QVERIFY(!copy->parent());
        copy->setText(QStringLiteral("Z"));
        copy->setInterval(5);
        QCOMPARE(b->text(), QStringLiteral("B"));
        QCOMPARE(b->interval(), 777);
    }

    void editsOutsideAreAnnouncedOnce() {
        // The property browser re-emits its edits as the model's dataChanged.
        OperationModel model;
        fillLetters(model, QStringLiteral("A"));
        QSignalSpy changed(&model, &OperationModel::sigDataChanged);
        emit model.dataChanged(QModelIndex(), QModelIndex(), {});
        QCOMPARE(changed.count(), 1);
        emit model.headerDataChanged(Qt::Horizontal, 0, 0);
        QCOMPARE(changed.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestOperationModel)
#include "tst_operationmodel.moc"
