#include <QDataStream>
#include <QDrag>
#include <QIcon>
#include <QLoggingCategory>
#include <QMimeData>
#include <QTimer>
#include <QtTest>

#include "Operation.h"
#include "OperationFactory.h"
#include "OperationModel.h"
#include "OperationPanelWidget.h"
#include "OperationTreeWidget.h"
#include "UiResources.h"

namespace {
// An operation type defined only by the texts the palette shows.
class FakeOperation : public Operation {
public:
    FakeOperation(const QString& type, const QString& group, const QString& name)
        : typeText(type), groupText(group), nameText(name) {}
    QString category() const override { return groupText; }
    QString typeName() const override { return typeText; }
    QString displayName() const override { return nameText; }
    QString iconPath() const override {
        return QStringLiteral(":/optree/res/images/optree/key-input.svg");
    }
    void execute() override {}
    void writeTo(QDataStream&) const override {}
    void readFrom(QDataStream&) override {}
    QString description() const override { return nameText; }
    Operation* clone(QObject* parent) const override {
        auto* copy = new FakeOperation(typeText, groupText, nameText);
        copy->setParent(parent);
        return copy;
    }

private:
    QString typeText, groupText, nameText;
};

class ProbeTree : public OperationTreeWidget {
public:
    using OperationTreeWidget::startDrag;
};

QStringList texts(const QTreeWidgetItem* parent) {
    QStringList list;
    for (int i = 0; i < parent->childCount(); ++i) list << parent->child(i)->text(0);
    return list;
}

QStringList topLevelTexts(const QTreeWidget* tree) {
    QStringList list;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) list << tree->topLevelItem(i)->text(0);
    return list;
}

QTreeWidgetItem* entryNamed(QTreeWidget* tree, const QString& text) {
    const auto found = tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

QPair<QString, QString> decodeAdd(const QMimeData* mime) {
    QDataStream in(mime->data(OperationModel::addOperationMimeType));
    QString typeName, text;
    in >> typeName >> text;
    return {typeName, text};
}
}  // namespace

class TestOperationPanel : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        OperationFactory::registerStandardOperations();
        QLoggingCategory::setFilterRules(QStringLiteral("tapwise.debug=false"));
    }

    void standardPalette() {
        OperationPanelWidget panel;
        QCOMPARE(panel.objectName(), QStringLiteral("OperationPanelWidgetClass"));
        auto* tree = panel.findChild<OperationTreeWidget*>(QStringLiteral("opTree"));
        QVERIFY(tree);
        QCOMPARE(tree->dragDropMode(), QAbstractItemView::DragOnly);
        QCOMPARE(topLevelTexts(tree), QStringList({"键盘", "鼠标"}));
        const QTreeWidgetItem* keyboard = tree->topLevelItem(0);
        const QTreeWidgetItem* mouse = tree->topLevelItem(1);
        QCOMPARE(texts(keyboard), QStringList({"输入按键", "输入文本"}));
        QCOMPARE(texts(mouse), QStringList({"点击鼠标", "移动鼠标"}));
        QVERIFY(keyboard->isExpanded());
        QVERIFY(mouse->isExpanded());
        QVERIFY(!keyboard->data(0, Qt::UserRole).isValid());
        QVERIFY(keyboard->icon(0).isNull());

        const QStringList typeNames{"key_input", "text_input", "mouse_click", "mouse_move"};
        const QStringList icons{"key-input", "text-input", "mouse-click", "mouse-move"};
        for (int i = 0; i < 4; ++i) {
            const QTreeWidgetItem* entry = (i < 2 ? keyboard : mouse)->child(i % 2);
            QCOMPARE(entry->data(0, Qt::UserRole).toString(), typeNames[i]);
            QCOMPARE(entry->data(0, Qt::UserRole).userType(), int(QMetaType::QString));
            QCOMPARE(entry->childCount(), 0);
            QVERIFY(!entry->icon(0).isNull());
            // The icon is the type's own artwork: compare it with the file.
            const QImage shown = entry->icon(0).pixmap(24, 24).toImage();
            const QImage file =
                QIcon(QStringLiteral(":/optree/res/images/optree/%1.svg").arg(icons[i]))
                    .pixmap(24, 24)
                    .toImage();
            QCOMPARE(shown, file);
        }
    }

    void categoriesGroupInTypeOrder() {
        // Keys are visited in order: "a" (G1), "b" (G2), "c" (G1), "d" (G3).
        FakeOperation a("a", "G1", "first"), b("b", "G2", "second"), c("c", "G1", "third"),
            d("d", "G3", "fourth");
        QMap<QString, Operation*> prototypes{{"d", &d}, {"b", &b}, {"c", &c}, {"a", &a}};
        OperationTreeWidget tree;
        tree.populate(prototypes);
        QCOMPARE(topLevelTexts(&tree), QStringList({"G1", "G2", "G3"}));
        QCOMPARE(texts(tree.topLevelItem(0)), QStringList({"first", "third"}));
        QCOMPARE(texts(tree.topLevelItem(1)), QStringList({"second"}));
        QCOMPARE(texts(tree.topLevelItem(2)), QStringList({"fourth"}));

        // Filling again starts over.
        tree.populate({{"a", &a}});
        QCOMPARE(topLevelTexts(&tree), QStringList({"G1"}));
        QCOMPARE(tree.topLevelItem(0)->childCount(), 1);
    }

    void dragPayload_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typeName");
        QTest::newRow("key") << "输入按键"
                             << "key_input";
        QTest::newRow("text") << "输入文本"
                              << "text_input";
        QTest::newRow("click") << "点击鼠标"
                               << "mouse_click";
        QTest::newRow("move") << "移动鼠标"
                              << "mouse_move";
    }
    void dragPayload() {
        QFETCH(QString, entry);
        QFETCH(QString, typeName);
        OperationPanelWidget panel;
        auto* tree = panel.findChild<OperationTreeWidget*>();
        QScopedPointer<QMimeData> mime(OperationTreeWidget::dragMimeData(entryNamed(tree, entry)));
        QVERIFY(mime);
        QCOMPARE(mime->formats(), QStringList{OperationModel::addOperationMimeType});
        QCOMPARE(decodeAdd(mime.data()), qMakePair(typeName, entry));
        QCOMPARE(mime->data(OperationModel::addOperationMimeType),
                 OperationModel::addOperationPayload(typeName, entry));
        // What the table's model makes of it.
        OperationModel model;
        QVERIFY(model.dropMimeData(mime.data(), Qt::CopyAction, -1, 0, QModelIndex()));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), entry);
    }

    void startDrag_data() {
        QTest::addColumn<QString>("current");  // empty: no current item
        QTest::addColumn<bool>("starts");
        QTest::newRow("entry") << "输入文本" << true;
        QTest::newRow("category") << "鼠标" << false;
        QTest::newRow("no current item") << "" << false;
    }
    void startDrag() {
        QFETCH(QString, current);
        QFETCH(bool, starts);
        ProbeTree tree;
        tree.populate(OperationFactory::instance()->prototypes());
        tree.setCurrentItem(current.isEmpty() ? nullptr : entryNamed(&tree, current));

        // Whatever the platform's drag does, inspect it and end it.
        QDrag* seen = nullptr;
        QPixmap pixmap;
        QPoint hotSpot;
        QStringList formats;
        Qt::DropActions actions;
        QPair<QString, QString> payload;
        auto inspect = [&] {
            const auto drags = tree.findChildren<QDrag*>();
            if (drags.isEmpty() || seen) return;
            seen = drags.first();
            pixmap = seen->pixmap();
            hotSpot = seen->hotSpot();
            formats = seen->mimeData()->formats();
            actions = seen->supportedActions();
            payload = decodeAdd(seen->mimeData());
        };
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            inspect();
            QDrag::cancel();
        });
        poll.start(20);
        tree.startDrag(Qt::CopyAction | Qt::MoveAction);
        inspect();
        poll.stop();

        QCOMPARE(seen != nullptr, starts);
        QScopedPointer<QMimeData> direct(OperationTreeWidget::dragMimeData(tree.currentItem()));
        QCOMPARE(direct != nullptr, starts);
        if (starts) {
            QCOMPARE(pixmap.size(), QSize(32, 32));
            QCOMPARE(hotSpot, QPoint(8, 8));
            QCOMPARE(formats, QStringList{OperationModel::addOperationMimeType});
            QCOMPARE(actions, Qt::DropActions(Qt::CopyAction));
            QCOMPARE(payload, qMakePair(QStringLiteral("text_input"), current));
        }
        // The palette keeps its entries.
        QCOMPARE(tree.topLevelItemCount(), 2);
        QCOMPARE(tree.topLevelItem(0)->childCount(), 2);
    }

    void iconsLoad_data() {
        QTest::addColumn<QString>("path");
        for (const char* name :
             {"save", "flowprop", "run", "defaultlayout", "operation", "property"})
            QTest::newRow(name) << QStringLiteral(":res/images/%1.svg").arg(QLatin1String(name));
        for (const char* name : {"key-input", "mouse-click", "mouse-move", "text-input"})
            QTest::newRow(name)
                << QStringLiteral(":/optree/res/images/optree/%1.svg").arg(QLatin1String(name));
        for (const char* name : {"copy-a", "copy-d", "delete-a", "delete-d"})
            QTest::newRow(name)
                << QStringLiteral(":/optable/res/images/optable/%1.svg").arg(QLatin1String(name));
    }
    void iconsLoad() {
        QFETCH(QString, path);
        UiResources::init();
        QVERIFY2(QFile::exists(path), qPrintable(path));
        const QPixmap pixmap(path);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(200, 200));
        const QIcon icon(path);
        QVERIFY(!icon.isNull());
        // Something is drawn at the sizes the program uses.
        for (int side : {16, 24, 32}) {
            const QImage image = icon.pixmap(side, side).toImage();
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) > 128) ++opaque;
            QVERIFY2(opaque > side * side / 10, qPrintable(QString::number(side)));
        }
        // Row buttons: black when active ("-a"), grey otherwise ("-d").
        if (path.contains(QLatin1String("optable"))) {
            const QImage image = pixmap.toImage();
            int darkest = 255;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) == 255)
                        darkest = qMin(darkest, qGray(image.pixel(x, y)));
            QCOMPARE(darkest, path.contains(QLatin1String("-a.")) ? 0 : 0x99);
        }
    }

    // Last: it leaves an extra type registered, as prototypes live until the process ends.
    void laterRegistrationsDoNotShow() {
        OperationPanelWidget panel;
        OperationFactory::instance()->registerOperation(
            new FakeOperation("zz_late", "其他", "later"));
        auto* tree = panel.findChild<OperationTreeWidget*>(QStringLiteral("opTree"));
        QCOMPARE(topLevelTexts(tree), QStringList({"键盘", "鼠标"}));
        OperationPanelWidget newer;
        QCOMPARE(topLevelTexts(newer.findChild<OperationTreeWidget*>()),
                 QStringList({"键盘", "鼠标", "其他"}));
    }
};

QTEST_MAIN(TestOperationPanel)
#include "tst_operationpanel.moc"
