// The palette of operation types: grouped by category, dragged as a copy onto the
// table, and every icon the program shows.
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QtTest>

#include "model/OperationFactory.h"
#include "ui/OperationModel.h"
#include "ui/OperationPanelWidget.h"
#include "ui/OperationTreeWidget.h"
#include "ui/UiResources.h"

namespace {
class ProbeTree : public OperationTreeWidget {
public:
    using OperationTreeWidget::startDrag;
};
}  // namespace

class TestOperationPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { OperationFactory::registerStandardOperations(); }

    // Types come in type-name order; a category gets its item at its first type, so
    // text input joins the keyboard after the mouse types.
    void standardPalette() {
        OperationPanelWidget panel;
        auto* tree = panel.findChild<OperationTreeWidget*>();
        QStringList lines;
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            QTreeWidgetItem* category = tree->topLevelItem(i);
            QVERIFY(category->isExpanded());
            for (int j = 0; j < category->childCount(); ++j)
                lines << category->text(0) + ": " + category->child(j)->text(0) + " " +
                             category->child(j)->data(0, Qt::UserRole).toString();
        }
        QCOMPARE(lines, QStringList({"键盘: 输入按键 key_input", "键盘: 输入文本 text_input",
                                     "鼠标: 点击鼠标 mouse_click", "鼠标: 移动鼠标 mouse_move"}));
        QVERIFY(!tree->topLevelItem(1)->child(1)->icon(0).pixmap(24, 24).isNull());
    }

    void dragPayload_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typeName");  // empty: no drag
        QTest::newRow("key") << QString("输入按键") << "key_input";
        QTest::newRow("category") << QString("鼠标") << "";
    }
    void dragPayload() {
        QFETCH(QString, entry);
        QFETCH(QString, typeName);
        ProbeTree tree;
        tree.populate(OperationFactory::instance()->prototypes());
        tree.setCurrentItem(tree.findItems(entry, Qt::MatchExactly | Qt::MatchRecursive).first());
        // Whatever the platform's drag does, look at it and end it.
        QDrag* seen = nullptr;
        Qt::DropActions actions;
        QByteArray payload;
        auto inspect = [&] {
            const auto drags = tree.findChildren<QDrag*>();
            if (seen || drags.isEmpty()) return;
            seen = drags.first();
            actions = seen->supportedActions();
            payload = seen->mimeData()->data(OperationModel::addOperationMimeType);
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] { inspect(), QDrag::cancel(); });
        poll.start(20);
        tree.startDrag(Qt::CopyAction | Qt::MoveAction);
        inspect();
        QCOMPARE(seen != nullptr, !typeName.isEmpty());
        if (!seen) return;
        QCOMPARE(actions, Qt::DropActions(Qt::CopyAction));  // the palette keeps its entry
        QCOMPARE(payload, OperationModel::addOperationPayload(typeName, entry));
    }

    // Every icon the program shows is in the resources and draws something.
    void iconsLoad_data() {
        QTest::addColumn<QString>("path");
        const QStringList paths{":res/images/%1.svg", ":/optree/res/images/optree/%1.svg",
                                ":/optable/res/images/optable/%1.svg"};
        const QList<QStringList> names{
            {"save", "flowprop", "run", "defaultlayout", "operation", "property"},
            {"key-input", "mouse-click", "mouse-move", "text-input"},
            {"copy-a", "copy-d", "delete-a", "delete-d"}};
        for (int i = 0; i < 3; ++i)
            for (const QString& name : names[i])
                QTest::newRow(qPrintable(name)) << paths[i].arg(name);
    }
    void iconsLoad() {
        QFETCH(QString, path);
        UiResources::init();
        const QImage image = QIcon(path).pixmap(24, 24).toImage();
        int opaque = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
        QVERIFY(opaque > 24 * 24 / 10);
    }
};

QTEST_MAIN(TestOperationPanel)
#include "tst_operationpanel.moc"
