#include <QHeaderView>
#include <QListWidget>
#include <QLoggingCategory>
#include <QMimeData>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QtTest>

#include "Flow.h"
#include "OperationFactory.h"
#include "OperationModel.h"
#include "OperationTableView.h"
#include "TextInputOperation.h"

namespace {
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kLineBlue = qRgb(0, 120, 210);

// Exposes the drop-target rule for every indicator position, which a real drag over
// this view never reports (its own indicator is off), and stands in for the source
// that a real drag would name: there is no real drag on the offscreen platform, and
// Qt routes drag events only to the target that accepted the enter.
class ProbeView : public OperationTableView {
public:
    enum Position { On = OnItem, Above = AboveItem, Below = BelowItem, Viewport = OnViewport };
    DropTarget targetFor(const QModelIndex& index, int position) const {
        return dropTarget(index, DropIndicatorPosition(position));
    }
    // Delivers a drag, drop or mouse event the way the viewport passes it on.
    bool deliver(QEvent* event) { return viewportEvent(event); }

    const QObject* fakeSource = nullptr;

protected:
    const QObject* dragSourceOf(const QDropEvent*) const override { return fakeSource; }
};

QMimeData* addMime(const QString& typeName) {
    auto* mime = new QMimeData;
    mime->setData(OperationModel::addOperationMimeType,
                  OperationModel::addOperationPayload(typeName, QStringLiteral("x")));
    return mime;
}

QMimeData* moveMime(int row) {
    auto* mime = new QMimeData;
    mime->setData(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(row));
    return mime;
}

}  // namespace

class TestOperationTableView : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=false"));
    }

    void init() {
        model.reset(new OperationModel);
        for (const char* text : {"A", "B", "C", "D"}) {
            auto* op = new TextInputOperation;
            op->setText(QLatin1String(text));
            model->insertOperation(model->rowCount(), op);
        }
        view.reset(new ProbeView);
        view->setModel(model.data());
        view->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
        view->resize(520, 320);
        // Away from the pointer's corner, where a real drag would look for its target.
        view->move(300, 300);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.data()));
    }
    void cleanup() {
        view.reset();
        model.reset();
    }

    void styleSheetColours() {
        view->selectRow(1);
        const QImage table = view->grab().toImage();
        const QPoint header = view->horizontalHeader()->mapTo(view.data(), QPoint(40, 8));
        QCOMPARE(table.pixel(header), qRgb(0x19, 0x6E, 0xBF));

        const QImage cells = view->viewport()->grab().toImage();
        const int blankX = view->columnViewportPosition(2) - 6;  // right end of the description
        auto rowPixel = [&](int row) {
            return cells.pixel(blankX, view->rowViewportPosition(row) + 15);
        };
        QCOMPARE(rowPixel(0), kWhite);
        QCOMPARE(rowPixel(1), qRgb(0xE6, 0xF7, 0xFF));
        QCOMPARE(cells.pixel(blankX, view->rowViewportPosition(1) - 1), qRgb(0xE6, 0xE6, 0xE6));
    }

    void dropTargetRule_data() {
        QTest::addColumn<int>("rowUnderPointer");  // -1: below the rows
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::newRow("on row 2") << 2 << int(ProbeView::On) << -1 << 2;
        QTest::newRow("above row 2") << 2 << int(ProbeView::Above) << 2 << -1;
        QTest::newRow("below row 2") << 2 << int(ProbeView::Below) << 3 << -1;
        QTest::newRow("viewport over row 2") << 2 << int(ProbeView::Viewport) << 2 << -1;
        QTest::newRow("viewport over row 0") << 0 << int(ProbeView::Viewport) << 0 << -1;
        QTest::newRow("below the rows") << -1 << int(ProbeView::Viewport) << 4 << -1;
        QTest::newRow("below the rows, on item") << -1 << int(ProbeView::On) << 4 << -1;
    }
    void dropTargetRule() {
        QFETCH(int, rowUnderPointer);
        QFETCH(int, position);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        const QModelIndex index =
            rowUnderPointer >= 0 ? model->index(rowUnderPointer, 1) : QModelIndex();
        const auto target = view->targetFor(index, position);
        QCOMPARE(target.row, row);
        QCOMPARE(target.parent.row(), parentRow);
        QCOMPARE(target.parent.isValid(), parentRow >= 0);
    }

    void indicatorPosition_data() {
        QTest::addColumn<int>("pointerRow");  // -1: below the rows
        QTest::newRow("row 0") << 0;
        QTest::newRow("row 2") << 2;
        QTest::newRow("row 3") << 3;
        QTest::newRow("below") << -1;
    }
    void indicatorPosition() {
        QFETCH(int, pointerRow);
        const int lastBottom = view->visualRect(model->index(3, 0)).bottom();
        QPoint pos(100, lastBottom + 30);
        int expected = lastBottom + 2;
        if (pointerRow >= 0) {
            const QRect cell = view->visualRect(model->index(pointerRow, 0));
            pos = cell.center() + QPoint(0, 5);
            expected = cell.top() - 1;
        }
        QCOMPARE(view->dropIndicatorY(pos), std::optional<int>(expected));
    }

    void drops_data() {
        QTest::addColumn<bool>("add");
        QTest::addColumn<int>("movedRow");
        QTest::addColumn<int>("pointerRow");  // -1: below the rows
        QTest::addColumn<QString>("expected");
        QTest::newRow("new operation on row 2") << true << -1 << 2 << "AB?CD";
        QTest::newRow("new operation below the rows") << true << -1 << -1 << "ABCD?";
        QTest::newRow("new operation on row 0") << true << -1 << 0 << "?ABCD";
        QTest::newRow("A onto C") << false << 0 << 2 << "BACD";
        QTest::newRow("A below the rows") << false << 0 << -1 << "BCDA";
        QTest::newRow("D onto B") << false << 3 << 1 << "ADBC";
        QTest::newRow("B onto itself") << false << 1 << 1 << "ABCD";
        QTest::newRow("B onto the row below") << false << 1 << 2 << "ABCD";
        QTest::newRow("D below the rows") << false << 3 << -1 << "ABCD";
    }
    void drops() {
        QFETCH(bool, add);
        QFETCH(int, movedRow);
        QFETCH(int, pointerRow);
        QFETCH(QString, expected);
        QScopedPointer<QMimeData> mime(add ? addMime(QStringLiteral("key_input"))
                                           : moveMime(movedRow));
        const QPoint pos = pointerRow >= 0
                               ? view->visualRect(model->index(pointerRow, 2)).center()
                               : QPoint(100, view->visualRect(model->index(3, 0)).bottom() + 25);
        QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, mime.data(), Qt::NoButton,
                        add ? Qt::NoModifier : Qt::ShiftModifier);
        drop.setAccepted(false);
        view->deliver(&drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), add ? Qt::CopyAction : Qt::MoveAction);
        QCOMPARE(order(), expected);
    }

    void refusedDrops() {
        // A foreign payload is refused by the model.
        QMimeData text;
        text.setText(QStringLiteral("key_input"));
        QDropEvent foreign(QPoint(60, 40), Qt::CopyAction, &text, Qt::NoButton, Qt::NoModifier);
        foreign.setAccepted(false);
        view->deliver(&foreign);
        QVERIFY(!foreign.isAccepted());
        QCOMPARE(order(), QStringLiteral("ABCD"));

        // Another kind of model never receives drops.
        QStandardItemModel other(3, 4);
        view->setModel(&other);
        QScopedPointer<QMimeData> mime(addMime(QStringLiteral("key_input")));
        QDropEvent drop(QPoint(60, 40), Qt::CopyAction, mime.data(), Qt::NoButton, Qt::NoModifier);
        drop.setAccepted(false);
        view->deliver(&drop);
        QVERIFY(!drop.isAccepted());
        QCOMPARE(other.rowCount(), 3);
    }

    void dragEnter_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("the table itself") << "table" << true;
        QTest::newRow("the palette") << "tree" << true;
        QTest::newRow("a list widget") << "list" << false;
        QTest::newRow("another program") << "" << false;
    }
    void dragEnter() {
        QFETCH(QString, source);
        QFETCH(bool, accepted);
        QTreeWidget tree;
        QListWidget list;
        view->fakeSource = source == QLatin1String("table")  ? view.data()
                           : source == QLatin1String("tree") ? static_cast<QObject*>(&tree)
                           : source == QLatin1String("list") ? static_cast<QObject*>(&list)
                                                             : nullptr;
        QScopedPointer<QMimeData> mime(addMime(QStringLiteral("key_input")));
        QDragEnterEvent enter(QPoint(60, 40), Qt::CopyAction, mime.data(), Qt::LeftButton,
                              Qt::NoModifier);
        enter.setAccepted(false);
        view->deliver(&enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QCOMPARE(view->isDragging(), accepted);
        if (accepted) QCOMPARE(enter.dropAction(), Qt::CopyAction);

        QDragMoveEvent move(QPoint(60, 45), Qt::CopyAction, mime.data(), Qt::LeftButton,
                            Qt::NoModifier);
        move.setAccepted(false);
        view->deliver(&move);
        // Qt sends moves only to the widget that accepted the enter.
        if (accepted) QVERIFY(move.isAccepted());
        QCOMPARE(view->dragPosition(), QPoint(60, 45));
    }

    void paletteDragAddsAtTheDrop() {
        QTreeWidget palette;
        view->fakeSource = &palette;
        QScopedPointer<QMimeData> mime(addMime(QStringLiteral("text_input")));
        const QPoint overRow1 = view->visualRect(model->index(1, 1)).center();
        QDragEnterEvent enter(overRow1, Qt::CopyAction, mime.data(), Qt::LeftButton,
                              Qt::NoModifier);
        view->deliver(&enter);
        QDragMoveEvent move(overRow1, Qt::CopyAction, mime.data(), Qt::LeftButton, Qt::NoModifier);
        view->deliver(&move);
        QVERIFY(view->isDragging());
        // The view hides Qt's indicator, so Qt reports the drag as over the viewport.
        const auto target = view->dropTargetAt(overRow1);
        QCOMPARE(target.row, 1);
        QVERIFY(!target.parent.isValid());

        QDropEvent drop(overRow1, Qt::CopyAction, mime.data(), Qt::LeftButton, Qt::NoModifier);
        drop.setAccepted(false);
        view->deliver(&drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(!view->isDragging());
        QCOMPARE(order(), QStringLiteral("A?BCD"));
        QCOMPARE(model->operationAt(1)->typeName(), QStringLiteral("text_input"));
    }

    void indicatorLineFollowsTheDrag() {
        view->fakeSource = view.data();
        QScopedPointer<QMimeData> mime(moveMime(0));
        const QRect row2 = view->visualRect(model->index(2, 0));
        const QRect row3 = view->visualRect(model->index(3, 0));
        const int x = view->columnViewportPosition(1) + 40;
        auto pixelAt = [&](int y) { return view->viewport()->grab().toImage().pixel(x, y); };
        auto moveTo = [&](const QPoint& pos) {
            QDragMoveEvent move(pos, Qt::MoveAction, mime.data(), Qt::LeftButton, Qt::NoModifier);
            view->deliver(&move);
        };

        // Not during a drag: no line.
        QVERIFY(pixelAt(row2.top() - 1) != kLineBlue);

        QDragEnterEvent enter(row2.center(), Qt::MoveAction, mime.data(), Qt::LeftButton,
                              Qt::NoModifier);
        view->deliver(&enter);
        moveTo(QPoint(x, row2.center().y()));
        QCOMPARE(pixelAt(row2.top() - 1), kLineBlue);
        QVERIFY(pixelAt(row2.top() + 3) != kLineBlue);
        QVERIFY(pixelAt(row3.top() - 1) != kLineBlue);

        moveTo(QPoint(x, row3.bottom() + 40));
        QCOMPARE(pixelAt(row3.bottom() + 2), kLineBlue);
        QVERIFY(pixelAt(row2.top() - 1) != kLineBlue);
        // The line spans the viewport.
        QCOMPARE(view->viewport()->grab().toImage().pixel(2, row3.bottom() + 2), kLineBlue);

        QDragLeaveEvent leave;
        view->deliver(&leave);
        QVERIFY(!view->isDragging());
        QVERIFY(pixelAt(row3.bottom() + 2) != kLineBlue);
        QCOMPARE(order(), QStringLiteral("ABCD"));
    }

    void noLineOverAnEmptyTable() {
        OperationModel empty;
        view->setModel(&empty);
        view->fakeSource = view.data();
        QScopedPointer<QMimeData> mime(addMime(QStringLiteral("key_input")));
        QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, mime.data(), Qt::LeftButton,
                              Qt::NoModifier);
        view->deliver(&enter);
        QVERIFY(view->isDragging());
        const QImage image = view->viewport()->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            QVERIFY2(image.pixel(40, y) != kLineBlue, qPrintable(QString::number(y)));
        QCOMPARE(view->dropIndicatorY(QPoint(40, 40)), std::optional<int>());
        view->setModel(nullptr);
        QCOMPARE(view->dropIndicatorY(QPoint(40, 40)), std::optional<int>());
    }

    void hoverHighlight() {
        const int x = view->columnViewportPosition(2) - 6;
        const QPoint overRow2(x, view->rowViewportPosition(2) + 15);
        QMouseEvent move(QEvent::MouseMove, overRow2, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        view->deliver(&move);
        QCOMPARE(view->hoverRow(), 2);

        QImage image = view->viewport()->grab().toImage();
        const QRgb hovered = image.pixel(overRow2);
        QVERIFY(hovered != kWhite);
        QVERIFY(qBlue(hovered) == 255 && qRed(hovered) < 250 && qRed(hovered) > 0xE6);
        QCOMPARE(image.pixel(x, view->rowViewportPosition(1) + 15), kWhite);
        // The tint spans the whole width, the row-button column included.
        QCOMPARE(image.pixel(view->viewport()->width() - 3, overRow2.y()), hovered);

        const QPoint below(x, view->rowViewportPosition(3) + 60);
        QMouseEvent moveBelow(QEvent::MouseMove, below, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        view->deliver(&moveBelow);
        QCOMPARE(view->hoverRow(), -1);

        view->deliver(&move);
        QCOMPARE(view->hoverRow(), 2);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view.data(), &leave);
        QCOMPARE(view->hoverRow(), -1);
        image = view->viewport()->grab().toImage();
        QCOMPARE(image.pixel(overRow2), kWhite);
    }

    void selectionAnnouncesTheOperation() {
        QList<Operation*> announced;
        connect(view.data(), &OperationTableView::operationSelected, this,
                [&](Operation* op) { announced << op; });
        view->selectRow(1);
        QCOMPARE(announced, QList<Operation*>{model->operationAt(1)});

        view->selectRow(3);
        QCOMPARE(announced.last(), model->operationAt(3));

        view->clearSelection();
        QCOMPARE(announced.last(), static_cast<Operation*>(nullptr));

        view->selectRow(2);
        QCOMPARE(announced.last(), model->operationAt(2));
        const int before = announced.size();
        model->removeOperation(2);
        QVERIFY(announced.size() > before);
        QCOMPARE(announced.last(), static_cast<Operation*>(nullptr));
    }

private:
    QString order() const {
        QString s;
        for (const Operation* op : model->flow()->operations) {
            const auto* text = qobject_cast<const TextInputOperation*>(op);
            s += text && !text->text().isNull() ? text->text() : QStringLiteral("?");
        }
        return s;
    }

    QScopedPointer<OperationModel> model;
    QScopedPointer<ProbeView> view;
};

QTEST_MAIN(TestOperationTableView)
#include "tst_operationtableview.moc"
