// The palette of operation types: each type once, under its category, dragged onto the table.
#include <QMimeData>
#include <QtTest>

#include "model/Operation.h"
#include "model/OperationFactory.h"
#include "ui/OperationModel.h"
#include "ui/OperationPanelWidget.h"
#include "ui/OperationTreeWidget.h"

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

QTEST_MAIN(TestOperationPanel)
#include "tst_operationpanel.moc"
