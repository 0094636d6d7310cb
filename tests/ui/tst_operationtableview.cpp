// The operation table: the drops of its model that add and move rows, the palette new
// operations are dragged from; the view's drops and where they land, the selection it
// announces, and the copy and delete buttons.
#include <QtTest>
#include <QtWidgets>

#include "model/OperationFactory.h"
#include "support/LetterTable.h"
#include "ui/ButtonDelegate.h"
#include "ui/OperationTableView.h"
#include "ui/OperationTreeWidget.h"

namespace {
const QRect kCell(200, 72, 100, 36);

// There is no real drag on the offscreen platform, and Qt routes drag events only to
// the target that accepted the enter: this view takes them directly and stands in for
// the drag's source.
class ProbeView : public OperationTableView {
public:
    void deliver(QEvent* event) { viewportEvent(event); }
    const QObject* fakeSource = this;

protected:
    const QObject* dragSourceOf(const QDropEvent*) const override { return fakeSource; }
};

}  // namespace

struct MouseCase {
    QEvent::Type type;
    Qt::MouseButton button;
    QPoint pos;
    int hovered;  // the button under the pointer afterwards, -1: none
    int clicked;  // the button reported clicked, -1: none
};
Q_DECLARE_METATYPE(MouseCase)

class TestOperationTableView : public QObject {
    Q_OBJECT
private:
    QScopedPointer<LetterTable> m_table;
    OperationModel* m_model = nullptr;
    QScopedPointer<ProbeView> m_view;
    ButtonDelegate* m_delegate = nullptr;
    QMimeData m_addMime;

private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=false"));
        m_addMime.setData(OperationModel::addOperationMimeType,
                          OperationModel::addOperationPayload("key_input", "x"));
    }
    void init() {
        m_table.reset(new LetterTable("ABCD"));
        m_model = &m_table->model;
        m_view.reset(new ProbeView);
        m_view->setModel(m_model);
        m_view->setItemDelegateForColumn(3, m_delegate = new ButtonDelegate(m_view.data()));
        m_view->resize(520, 320);
        m_view->move(300, 300);  // away from the pointer's corner
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.data()));
    }
    void cleanup() { m_view.reset(); }

    // A drop of a row onto another puts it in that row's place; of a new operation, before it.
    void modelDrops_data() {
        QTest::addColumn<int>("from");  // -1: a new key operation ("?")
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("parentRow");
        QTest::addColumn<QString>("expected");
        QTest::newRow("A onto C") << 0 << 2 << -1 << "BACD";
        QTest::newRow("C onto A") << 2 << 0 << -1 << "CABD";
        QTest::newRow("B onto the row below") << 1 << 2 << -1 << "ABCD";
        QTest::newRow("parent row wins") << 0 << 1 << 3 << "BCAD";
        QTest::newRow("no row: append") << 1 << -1 << -1 << "ACDB";
        QTest::newRow("source past the end") << 4 << 0 << -1 << "ABCD";
        QTest::newRow("target past the end") << 0 << 9 << -1 << "ABCD";
        QTest::newRow("new onto row 1") << -1 << -1 << 1 << "A?BCD";
        QTest::newRow("new past the end") << -1 << 5 << -1 << "ABCD";
    }
    void modelDrops() {
        QFETCH(int, from);
        QFETCH(int, row);
        QFETCH(int, parentRow);
        QSignalSpy changed(m_model, &OperationModel::sigDataChanged);
        QMimeData move;
        move.setData(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(from));
        const QModelIndex parent = parentRow >= 0 ? m_model->index(parentRow, 0) : QModelIndex();
        QVERIFY(m_model->dropMimeData(from < 0 ? &m_addMime : &move,
                                      from < 0 ? Qt::CopyAction : Qt::MoveAction, row, 0, parent));
        QTEST(m_table->order(), "expected");
        QCOMPARE(changed.count(), m_table->order() == "ABCD" ? 0 : 1);
    }

    // A type of the palette drags the add-operation payload; a category drags nothing.
    void paletteDrag() {
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

    void viewDrops_data() {
        QTest::addColumn<QString>("source");  // the dragging widget
        QTest::addColumn<int>("movedRow");    // -1: a new operation
        QTest::addColumn<int>("pointerRow");  // -1: below the rows
        QTest::addColumn<QString>("expected");
        QTest::newRow("from the palette onto row 2") << "tree" << -1 << 2 << "AB?CD";
        QTest::newRow("A below the rows") << "table" << 0 << -1 << "BCDA";
        // Refused: the table takes drags only from itself and the palette.
        QTest::newRow("from a list widget") << "list" << -1 << 2 << "ABCD";
        QTest::newRow("from another program") << "" << -1 << 2 << "ABCD";
    }
    void viewDrops() {
        QFETCH(QString, source);
        QFETCH(int, movedRow);
        QFETCH(int, pointerRow);
        QFETCH(QString, expected);
        QTreeWidget tree;
        QListWidget list;
        m_view->fakeSource = source == "table"  ? m_view.data()
                             : source == "tree" ? static_cast<QObject*>(&tree)
                             : source == "list" ? static_cast<QObject*>(&list)
                                                : nullptr;
        QMimeData move;
        move.setData(OperationModel::moveRowMimeType, OperationModel::moveRowPayload(movedRow));
        QMimeData* mime = movedRow < 0 ? &m_addMime : &move;
        const QPoint pos =
            pointerRow >= 0 ? m_view->visualRect(m_model->index(pointerRow, 2)).center()
                            : QPoint(100, m_view->visualRect(m_model->index(3, 0)).bottom() + 25);
        const Qt::DropAction action = movedRow < 0 ? Qt::CopyAction : Qt::MoveAction;
        QDragEnterEvent enter(pos, action, mime, Qt::LeftButton, Qt::NoModifier);
        enter.setAccepted(false);
        m_view->deliver(&enter);
        QCOMPARE(enter.isAccepted(), expected != "ABCD");
        QCOMPARE(m_view->isDragging(), enter.isAccepted());
        if (!enter.isAccepted()) return;  // Qt sends the rest only after an accepted enter
        QDragMoveEvent over(pos, action, mime, Qt::LeftButton, Qt::NoModifier);
        m_view->deliver(&over);  // with its indicator hidden, Qt takes it as over the viewport
        QDropEvent drop(pos, action, mime, Qt::NoButton, Qt::NoModifier);
        drop.setAccepted(false);
        m_view->deliver(&drop);
        QVERIFY(drop.isAccepted() && drop.dropAction() == action && !m_view->isDragging());
        QCOMPARE(m_table->order(), expected);
    }

    void selectionAnnouncesTheOperation() {
        QList<Operation*> announced;
        connect(m_view.data(), &OperationTableView::operationSelected, this,
                [&](Operation* op) { announced << op; });
        m_view->selectRow(1);
        QCOMPARE(announced, QList<Operation*>{m_model->operationAt(1)});
        // Deleting the selected row leaves no selection rather than a neighbour's, nor a
        // current row that the next Space would select.
        m_view->selectRow(2);
        m_table->document.removeOperations({2});
        QCOMPARE(announced.last(), static_cast<Operation*>(nullptr));
        QTest::keyClick(m_view.data(), Qt::Key_Space);
        QVERIFY(!m_view->selectionModel()->hasSelection());
    }

    void buttonMouse_data() {
        QTest::addColumn<MouseCase>("c");
        const QRect copy = ButtonDelegate::copyButtonRect(kCell);
        const QRect del = ButtonDelegate::deleteButtonRect(kCell);
        const auto move = QEvent::MouseMove, release = QEvent::MouseButtonRelease;
        const auto none = Qt::NoButton, left = Qt::LeftButton;
        QTest::newRow("over copy's corner") << MouseCase{move, none, copy.topLeft(), 0, -1};
        QTest::newRow("over delete's corner") << MouseCase{move, none, del.bottomRight(), 1, -1};
        QTest::newRow("between") << MouseCase{move, none, kCell.center(), -1, -1};
        QTest::newRow("left release") << MouseCase{release, left, del.center(), -1, 1};
        QTest::newRow("right release") << MouseCase{release, Qt::RightButton, del.center(), -1, -1};
    }
    void buttonMouse() {
        QFETCH(MouseCase, c);
        QSignalSpy clicked(m_delegate, &ButtonDelegate::iconClicked);
        QMouseEvent event(c.type, c.pos, c.pos, c.pos, c.button, Qt::NoButton, Qt::NoModifier);
        QStyleOptionViewItem option;
        option.rect = kCell;
        QCOMPARE(m_delegate->editorEvent(&event, m_model, option, m_model->index(2, 3)),
                 c.hovered >= 0 || c.clicked >= 0);
        QCOMPARE(m_delegate->hoverRow(), c.hovered < 0 ? -1 : 2);
        if (c.hovered >= 0) QCOMPARE(int(m_delegate->hoverButton()), c.hovered);
        QCOMPARE(clicked.count(), c.clicked < 0 ? 0 : 1);
        if (c.clicked >= 0) QCOMPARE(clicked.at(0).at(0).toInt(), 2);
        if (c.clicked >= 0)
            QCOMPARE(int(clicked.at(0).at(1).value<ButtonDelegate::BtnType>()), c.clicked);
    }
};

QTEST_MAIN(TestOperationTableView)
#include "tst_operationtableview.moc"
