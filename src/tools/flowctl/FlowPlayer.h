#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTextStream>

#include "runner/FlowRunner.h"

class Flow;
class GlobalHotkey;

// Replays a loaded flow once on the desktop for flowctl: prints each step as it
// starts and a summary at the end; Ctrl+C or F8 stop it with every key released.
class FlowPlayer : public QObject {
    Q_OBJECT
public:
    FlowPlayer(Flow* flow, QTextStream& out, QObject* parent = nullptr);

    // Runs the event loop until the flow ends or is stopped. Returns the exit code.
    int play();

private:
    void finish(bool interrupted, const QString& why);

    Flow* flow;
    QTextStream& out;
    FlowRunner runner;
    QElapsedTimer clock;
    int stepsStarted = 0;
    int exitCode = 0;
    bool finished = false;
};
