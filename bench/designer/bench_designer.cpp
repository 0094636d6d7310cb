// Opens the designer on flows of 1,000 / 10,000 / 100,000 operations, as the entry
// point does, and prints the time until the window is shown, the resident memory,
// and the time to repaint the table while scrolling through it.
//   bench_designer [count ...]     (run it under a display: xvfb-run or a desktop)
// Each count runs in a fresh process, so the figures include everything a user
// waits for after the program starts: fonts, resources, the load, the first paint.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

#include "model/Flow.h"
#include "model/KeyboardOperation.h"
#include "model/MouseClickOperation.h"
#include "model/MouseMoveOperation.h"
#include "model/OperationFactory.h"
#include "model/TextInputOperation.h"
#include "ui/Flowsmith.h"
#include "ui/OperationTableView.h"

namespace {
long residentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QString makeFlow(const QString& path, int count) {
    Flow flow;
    for (int i = 0; i < count; ++i) {
        Operation* op = nullptr;
        switch (i % 4) {
            case 0: {
                auto* k = new KeyboardOperation;
                k->setKey(QStringLiteral("A"));
                k->setModifiers(Qt::ControlModifier);
                op = k;
                break;
            }
            case 1: {
                auto* c = new MouseClickOperation;
                c->setPosition(QPoint(i % 1366, i % 768));
                op = c;
                break;
            }
            case 2: {
                auto* m = new MouseMoveOperation;
                m->setPosition(QPoint(i % 1366, i % 768));
                op = m;
                break;
            }
            default: {
                auto* t = new TextInputOperation;
                t->setText(QStringLiteral("step %1").arg(i));
                op = t;
            }
        }
        flow.appendOperation(std::unique_ptr<Operation>(op));
    }
    flow.save(path);
    return path;
}
}  // namespace

int measureOne(int count, const QString& path, const QElapsedTimer& sinceStart);

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    // A child run: "--one COUNT FILE" measures one window in this fresh process.
    if (argc == 4 && QByteArray(argv[1]) == "--one") {
        QApplication app(argc, argv);
        QApplication::setFont(QFont(QStringLiteral("Microsoft YaHei"), 9));
        OperationFactory::registerStandardOperations();
        return measureOne(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]), sinceStart);
    }
    QCoreApplication app(argc, argv);
    OperationFactory::registerStandardOperations();
    QList<int> counts;
    for (int i = 1; i < argc; ++i) counts << QString::fromLatin1(argv[i]).toInt();
    if (counts.isEmpty()) counts = {1000, 10000, 100000};

    QTemporaryDir dir;
    std::printf("%10s %16s %10s %22s\n", "operations", "start to shown", "RSS (MiB)",
                "scroll frame mean/max");
    std::fflush(stdout);
    for (int count : counts) {
        const QString path = makeFlow(dir.filePath(QStringLiteral("f%1.flow").arg(count)), count);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--one"), QString::number(count), path});
        child.waitForFinished(120000);
        std::fputs(child.readAllStandardOutput().constData(), stdout);
        std::fflush(stdout);
    }
    return 0;
}

int measureOne(int count, const QString& path, const QElapsedTimer& sinceStart) {
    auto* window = new Flowsmith(path);
    window->setWindowTitle(QStringLiteral("Flowsmith - ") + path);
    window->resize(1366, 768);
    window->setUp();
    window->show();
    QApplication::processEvents();
    window->repaint();
    const qint64 shownMs = sinceStart.elapsed();
    const long rss = residentKiB();

    // Jump through the table in 50 steps and repaint each time, as a scroll bar drag does.
    auto* table = window->findChild<OperationTableView*>(QStringLiteral("opTable"));
    QScrollBar* bar = table->verticalScrollBar();
    const int steps = 50;
    qint64 worst = 0;
    QElapsedTimer frames;
    frames.start();
    for (int s = 0; s <= steps; ++s) {
        QElapsedTimer one;
        one.start();
        bar->setValue(bar->maximum() * s / steps);
        table->viewport()->repaint();
        worst = std::max(worst, one.elapsed());
    }
    const double perFrame = frames.elapsed() / double(steps + 1);
    std::printf("%10d %13lld ms %10.1f %14.2f / %lld ms\n", count, (long long)shownMs, rss / 1024.0,
                perFrame, (long long)worst);
    window->setSaveQuestion([](QWidget*) { return QMessageBox::Discard; });
    delete window;
    return 0;
}
