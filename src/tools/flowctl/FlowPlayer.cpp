#include "tools/flowctl/FlowPlayer.h"

#include <QCoreApplication>
#include <QKeySequence>

#include "model/Flow.h"
#include "platform/GlobalHotkey.h"
#include "tools/flowctl/ConsoleInterrupt.h"

FlowPlayer::FlowPlayer(Flow* flow, QTextStream& out, QObject* parent)
    : QObject(parent), flow(flow), out(out) {}

int FlowPlayer::play() {
    const int count = flow->operations.size();
    connect(
        &runner, &FlowRunner::sigStepStarted, this,
        [this](int index, int total, const QString& text) {
            stepsStarted = index + 1;
            out << QStringLiteral("[%1/%2] ").arg(index + 1).arg(total) << text << Qt::endl;
        },
        Qt::QueuedConnection);
    connect(&runner, &FlowRunner::sigEndOfFlow, this, [this] { finish(false, QString()); });

    ConsoleInterrupt interrupt;
    connect(&interrupt, &ConsoleInterrupt::interrupted, this,
            [this] { finish(true, QStringLiteral("interrupted")); });
    GlobalHotkey stopKey(QKeySequence(Qt::Key_F8), true);
    connect(&stopKey, &GlobalHotkey::activated, this,
            [this] { finish(true, QStringLiteral("stopped with F8")); });

    out << QStringLiteral("playing \"%1\": %2 steps%3")
               .arg(flow->name())
               .arg(count)
               .arg(stopKey.isRegistered() ? QStringLiteral(" (F8 or Ctrl+C stops)")
                                           : QStringLiteral(" (Ctrl+C stops)"))
        << Qt::endl;
    clock.start();
    if (!runner.start(flow)) {
        out << "flowctl: a run is already in progress in this process" << Qt::endl;
        return 1;
    }
    QCoreApplication::exec();
    return exitCode;
}

void FlowPlayer::finish(bool interrupted, const QString& why) {
    if (finished) return;
    finished = true;
    runner.stop();  // joins the worker; releases what an interrupted run left pressed
    QCoreApplication::processEvents();  // print the steps still queued
    const double seconds = clock.nsecsElapsed() / 1e9;
    const int count = flow->operations.size();
    if (interrupted) {
        out << QStringLiteral("%1 after %2 of %3 steps in %4 s; keys and buttons released")
                   .arg(why)
                   .arg(stepsStarted)
                   .arg(count)
                   .arg(seconds, 0, 'f', 3)
            << Qt::endl;
        exitCode = 130;
    } else {
        out << QStringLiteral("done: %1 steps in %2 s").arg(count).arg(seconds, 0, 'f', 3)
            << Qt::endl;
    }
    QCoreApplication::exit(exitCode);
}
