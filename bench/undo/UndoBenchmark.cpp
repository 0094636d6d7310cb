// Deletes every row of flows of 1,000 / 10,000 / 100,000 operations, then undoes and
// redoes the delete, and prints how long each step takes: on the document alone, and
// through the designer's table (Ctrl+A, Delete, Ctrl+Z, Ctrl+Y on the table's actions,
// each step followed by the table's repaint).
//   bench_undo [count ...]     (the table part needs a display: xvfb-run, or offscreen)
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUndoStack>
#include <cstdio>
#include <functional>

#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"
#include "ui/EditActions.h"
#include "ui/OperationModel.h"
#include "ui/OperationTableView.h"

namespace {
QString makeFlow(const QString& path, int count) {
    Flow flow;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<Operation> op;
        switch (i % 4) {
            case 0: {
                auto k = std::make_unique<KeyboardOperation>();
                k->setKey(QStringLiteral("A"));
                op = std::move(k);
                break;
            }
            case 1:
                op = std::make_unique<MouseClickOperation>();
                break;
            case 2:
                op = std::make_unique<MouseMoveOperation>();
                break;
            default: {
                auto t = std::make_unique<TextInputOperation>();
                t->setText(QStringLiteral("step %1").arg(i));
                op = std::move(t);
            }
        }
        flow.appendOperation(std::move(op));
    }
    return flow.save(path) ? path : QString();
}

double ms(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed() / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    OperationFactory::registerStandardOperations();
    QList<int> counts;
    for (int i = 1; i < argc; ++i) counts << QString::fromLatin1(argv[i]).toInt();
    if (counts.isEmpty()) counts = {1000, 10000, 100000};
    QTemporaryDir dir;

    std::printf("%10s  %-9s %12s %10s %10s\n", "operations", "through", "delete all", "undo",
                "redo");
    for (int count : counts) {
        const QString path = makeFlow(dir.filePath(QStringLiteral("f%1.flow").arg(count)), count);
        {
            FlowDocument document;
            document.setFilePath(path);
            document.load();
            QList<int> all;
            for (int i = 0; i < count; ++i) all << i;
            const double remove = ms([&] { document.removeOperations(all); });
            const double undo = ms([&] { document.undoStack()->undo(); });
            const double redo = ms([&] { document.undoStack()->redo(); });
            std::printf("%10d  %-9s %9.1f ms %7.1f ms %7.1f ms\n", count, "document", remove, undo,
                        redo);
        }
        {
            FlowDocument document;
            document.setFilePath(path);
            document.load();
            OperationModel model(&document);
            QWidget window;
            auto* table = new OperationTableView(&window);
            table->setModel(&model);
            EditActions actions(&document, table, &window);
            window.resize(1000, 700);
            table->resize(1000, 700);
            window.show();
            QApplication::processEvents();
            auto step = [&](QAction* action) {
                return ms([&] {
                    action->trigger();
                    table->viewport()->repaint();
                });
            };
            actions.selectAllAction()->trigger();
            const double remove = step(actions.deleteAction());
            const double undo = step(actions.undoAction());
            const double redo = step(actions.redoAction());
            std::printf("%10d  %-9s %9.1f ms %7.1f ms %7.1f ms\n", count, "table", remove, undo,
                        redo);
        }
        std::fflush(stdout);
    }
    return 0;
}
