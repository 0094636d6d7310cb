// The palette of operation types: each type once, under its category, dragged as a copy
// onto the table.
#include <QDrag>
#include <QMimeData>
#include <QTimer>
#include <QtTest>

#include "model/Operation.h"
#include "model/OperationFactory.h"
#include "ui/OperationModel.h"
#include "ui/OperationPanelWidget.h"
#include "ui/OperationTreeWidget.h"

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
};

QTEST_MAIN(TestOperationPanel)
#include "tst_operationpanel.moc"
