#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>
#include <QTextStream>

#include "runner/FlowRunner.h"

class Flow;
class GlobalHotkey;

// Replays a loaded flow on the desktop for flowctl, once or as the run options say:
// prints each step as it starts and a summary at the end; Ctrl+C or F8 stop it with
// every key released.
class FlowPlayer : public QObject {
    Q_OBJECT
public:
    FlowPlayer(Flow* flow, const RunOptions& options, QTextStream& out, QObject* parent = nullptr);

    // Runs the event loop until the flow ends or is stopped. Returns the exit code.
    int play();

    // Reads play's arguments after the command: one FILE and the options --repeat N,
    // --speed F, --from ROW in any order. False, with the reason in `error` (empty when
    // the usage says it all), on anything else. A row past the end is left to the caller,
    // who knows the flow.
    static bool parseArguments(const QStringList& args, QString* file, RunOptions* options,
                               QString* error);

private:
    void finish(bool interrupted, const QString& why);

    Flow* m_flow;
    RunOptions m_options;
    QTextStream& m_out;
    FlowRunner m_runner;
    QElapsedTimer m_clock;
    int m_stepsStarted = 0;  // over all passes
    int m_pass = 1;
    int m_exitCode = 0;
    bool m_finished = false;
};
