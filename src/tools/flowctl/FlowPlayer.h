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

    Flow* m_flow;
    QTextStream& m_out;
    FlowRunner m_runner;
    QElapsedTimer m_clock;
    int m_stepsStarted = 0;
    int m_exitCode = 0;
    bool m_finished = false;
};
