// The document's edits and their history: whatever the edits, undoing them all gives back
// the file as it was, and redoing them all what it had become.
#include <QUndoStack>
#include <QtTest>
#include <functional>

#include "document/FlowDocument.h"
#include "document/OperationMime.h"
#include "model/Flow.h"
#include "support/FlowBytes.h"
#include "support/OperationValues.h"

namespace {
const QStringList kKinds = {"key_input interval=75 eventType=2 key=[Tab] modifiers=0x0a000000",
                            "mouse_click position=(-5,7) clickType=1 clickButton=2",
                            "mouse_move interval=-1 position=(1919,-2147483648)",
                            "text_input",
                            "text_input interval=0 text=[x😀y]",
                            "text_input text=[]"};

// Random values for the operations' and the flow's properties, strings null and empty too.
QVariant randomValue(const QByteArray& property, QRandomGenerator& rng, const QVariant& now) {
    const QStringList texts = {QString(), "", "a", "中文😀", "\t\n"};
    if (property == "text" || property == "key" || property == "description") {
        // Typing: one more character, as the grid reports each keystroke.
        if (rng.bounded(3) == 0) return now.toString() + QChar('a' + rng.bounded(26));
        return texts.at(rng.bounded(texts.size()));
    }
    if (property == "position") return QPoint(rng.bounded(-3000, 3000), rng.bounded(-3000, 3000));
    if (property == "modifiers")
        return QVariant::fromValue(Qt::KeyboardModifiers(int(rng.generate() & 0x1E000000)));
    return rng.bounded(-10, 5000);
}
}  // namespace

class TestFlowDocument : public QObject {
    Q_OBJECT
    // Every step is saved to compare bytes: a folder in memory keeps that cheap.
    QTemporaryDir m_dir{QFileInfo("/dev/shm").isWritable()
                            ? "/dev/shm/tst_flowdocument-XXXXXX"
                            : QDir::tempPath() + "/tst_flowdocument-XXXXXX"};
    std::vector<std::unique_ptr<Operation>> m_prototypes =
        OperationValues::registerOwnedPrototypes();
    QString m_original;

    std::unique_ptr<FlowDocument> open() {
        auto document = std::make_unique<FlowDocument>();
        document->setFilePath(m_original);
        return document->load() ? std::move(document) : nullptr;
    }
    QByteArray bytesOf(const FlowDocument& document, const QString& name) {
        const QString path = m_dir.filePath(name);
        return document.flow()->save(path) ? FlowBytes::readFile(path) : QByteArray();
    }

    // One edit through the calls the designer's table, clipboard and grid make.
    void randomEdit(FlowDocument& document, QRandomGenerator& rng, QPair<int, QByteArray>& last) {
        Flow* flow = document.flow();
        const int count = flow->operationCount();
        auto someRows = [&] {
            QList<int> rows;
            const int n = rng.bounded(8) == 0 ? count : 1 + rng.bounded(4);
            for (int i = 0; i < n && count; ++i) rows << rng.bounded(count);
            return rows;
        };
        const std::function<void()> edits[] = {
            [&] {  // a drop from the palette, or a recording of several rows
                std::vector<std::unique_ptr<Operation>> ops;
                for (int i = rng.bounded(1, 6); i > 0; --i)
                    ops.push_back(OperationValues::make(kKinds.at(rng.bounded(kKinds.size()))));
                document.insertOperations(rng.bounded(count + 1), std::move(ops));
            },
            [&] { document.removeOperations(someRows()); },
            [&] { document.moveOperations(someRows(), rng.bounded(count + 1)); },
            [&] { document.duplicateOperations(someRows()); },
            [&] {  // copy and paste
                QList<Operation*> ops;
                for (int row : document.validRows(someRows())) ops << flow->operationAt(row);
                QScopedPointer<QMimeData> data(OperationMime::encode(ops));
                QString whyNot;
                document.pasteOperations(rng.bounded(count + 1), data.get(), &whyNot);
            },
            [&] { document.undoStack()->undo(); },
            [&] { document.undoStack()->redo(); }};
        const int kind = rng.bounded(10);
        if (kind < 7) return edits[kind]();
        // A value typed into the grid; often the same one again.
        if (rng.bounded(2) || last.first >= count) {
            last.first = rng.bounded(-1, count);  // -1: the flow's description
            QObject* target =
                last.first < 0 ? static_cast<QObject*>(flow) : flow->operationAt(last.first);
            const QMetaObject* meta = target->metaObject();
            QMetaProperty p;
            do {
                p = meta->property(rng.bounded(1, meta->propertyCount()));
            } while (!p.isWritable());
            last.second = p.name();
        }
        QObject* target =
            last.first < 0 ? static_cast<QObject*>(flow) : flow->operationAt(last.first);
        const QVariant now = target->property(last.second);
        document.setValues(target, {{last.second, randomValue(last.second, rng, now)}},
                           last.second);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Flow flow;
        flow.setHeader("流程", "", "", "2024-05-01 08:00:00", "");
        for (int i = 0; i < 40; ++i) flow.appendOperation(OperationValues::make(kKinds.at(i % 6)));
        m_original = m_dir.filePath("original.flow");
        QVERIFY(flow.save(m_original));
    }

    void undoAllRedoAll_data() {
        QTest::addColumn<quint32>("sequence");
        for (quint32 sequence = 1; sequence <= 100; ++sequence)
            QTest::addRow("sequence %u", sequence) << sequence;
    }
    void undoAllRedoAll() {
        QFETCH(quint32, sequence);
        QRandomGenerator rng(sequence);
        std::unique_ptr<FlowDocument> document = open();
        QVERIFY(document);
        QPair<int, QByteArray> last{-1, "description"};
        for (int i = 0; i < 300; ++i) randomEdit(*document, rng, last);
        // One parent for all the flow's operations; none left over from the edits.
        QCOMPARE(document->flow()->findChildren<Operation*>().size(),
                 document->flow()->operationCount());
        const QByteArray edited = bytesOf(*document, "edited.flow");
        if (edited != FlowBytes::readFile(m_original)) QVERIFY(document->isModified());

        // The sequence may end with steps undone: redo goes as far as it had come.
        QUndoStack* history = document->undoStack();
        const int reached = history->index();
        while (history->canUndo()) history->undo();
        QCOMPARE(bytesOf(*document, "undone.flow"), FlowBytes::readFile(m_original));
        QVERIFY(!document->isModified());
        while (history->index() < reached) history->redo();
        QCOMPARE(bytesOf(*document, "redone.flow"), edited);
    }

    // Typing is one step; a step that ends where it began is none; the saved state is clean.
    void steps() {
        std::unique_ptr<FlowDocument> document = open();
        QUndoStack* history = document->undoStack();
        Operation* text = document->flow()->operationAt(3);  // a text never edited: null
        const QString typed = "twenty characters ok";
        for (int i = 1; i <= typed.size(); ++i)
            QVERIFY(document->setValues(text, {{"text", typed.left(i)}}, "输入内容"));
        QCOMPARE(history->count(), 1);
        QCOMPARE(history->undoText(), QStringLiteral("修改 输入内容"));
        QVERIFY(!document->setValues(text, {{"text", typed}}, "输入内容"));  // no change, no step
        history->undo();
        QVERIFY(text->property("text").toString().isNull() && !document->isModified());
        history->redo();
        QVERIFY(document->save() && !document->isModified());
        // After a save a new step begins; editing back to the saved value removes it.
        QVERIFY(document->setValues(text, {{"text", "changed"}}, "输入内容"));
        QVERIFY(document->isModified());
        QVERIFY(document->setValues(text, {{"text", typed}}, "输入内容"));
        QVERIFY(!document->isModified());
        // Edits that cannot act are no steps.
        QVERIFY(!document->setValues(text, {{"nothing", 1}}, "x"));
        QVERIFY(!document->removeOperations({-1, 40}) && !document->moveOperations({1}, 1));
        QCOMPARE(history->count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFlowDocument)
#include "tst_flowdocument.moc"
