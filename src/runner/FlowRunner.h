#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "runner/RunOptions.h"

class Flow;
class Operation;

// Replays a flow on a worker thread, once or as often as the run options say.
// start() and stop() are called on the GUI thread; the worker reports the end of
// the run through a queued signal and touches nothing else of the caller's. The
// worker replays copies of the flow's operations taken at the start, so nothing
// done to the flow meanwhile reaches it.
class FlowRunner : public QObject {
    Q_OBJECT
public:
    explicit FlowRunner(QObject* parent = nullptr);
    // Stops and joins a run still in progress: the thread never outlives the runner.
    ~FlowRunner() override;

    using Steps = std::vector<std::unique_ptr<Operation>>;
    // Copies of the flow's operations as they are now.
    static Steps snapshot(const Flow& flow);

    // Sets the process-wide run flag, asks the system to stay awake and starts the
    // worker on `steps` (kept until the next start) with their intervals scaled to
    // the options' speed. False, with the reason (translated) and nothing left
    // flagged or requested, when an option is out of range (a negative repeat, a
    // speed outside RunOptions::kMinSpeed..kMaxSpeed, a first row below 1 or past
    // the last row; an empty list accepts row 1), when a run is already flagged or
    // when the system gives no thread.
    bool start(Steps steps, const RunOptions& options, QString* whyNot = nullptr);
    bool start(Steps steps, QString* whyNot = nullptr);
    bool start(const Flow& flow, QString* whyNot = nullptr);
    // Clears the run flag, joins the worker and lifts the keep-awake request. When
    // the user interrupted a run, keys and buttons it left pressed are released.
    void stop();

    bool isRunning() const;
    // The worker of the current or last run has not been joined yet.
    bool isJoinable() const { return m_worker.joinable(); }

    // How the worker thread is made; tests make it fail.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;
    void setThreadStarter(ThreadStarter starter) { m_startThread = std::move(starter); }

signals:
    // Emitted on the worker thread at the start of each pass, before its first step:
    // pass counts from 1; passes is the repeat option (0: until stopped).
    void sigPassStarted(int pass, int passes);
    // Emitted on the worker thread before each operation's wait: index is its 0-based
    // row in the whole list (a run from a later row starts past 0), count the rows.
    void sigStepStarted(int index, int count, const QString& description);
    // Delivered on the runner's thread after the worker finished its last pass or
    // noticed a stop. A list without steps ends after one pass, whatever the repeat.
    void sigEndOfFlow();

private:
    void runSteps();

    std::mutex m_runMutex;  // keeps the flag test-and-set and the thread creation together
    std::thread m_worker;
    Steps m_steps;         // read by the worker only, until it is joined
    RunOptions m_options;  // likewise
    ThreadStarter m_startThread;
    bool m_keptAwake = false;
};
