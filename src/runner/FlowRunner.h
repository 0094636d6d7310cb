#pragma once

#include <QObject>
#include <QString>
#include <mutex>
#include <thread>

class Flow;

// Replays a flow once on a worker thread. start() and stop() are called on the
// GUI thread; the worker reports the end of the list through a queued signal and
// touches nothing else of the caller's.
class FlowRunner : public QObject {
    Q_OBJECT
public:
    explicit FlowRunner(QObject* parent = nullptr);
    // Stops and joins a run still in progress: the thread never outlives the runner.
    ~FlowRunner() override;

    // Sets the process-wide run flag and starts the worker on `flow`, unless a run
    // is already flagged. Asks the system to stay awake either way. Returns whether
    // a worker was started.
    bool start(Flow* flow);
    // Clears the run flag, joins the worker and lifts the keep-awake request. When
    // the user interrupted a run, keys and buttons it left pressed are released.
    void stop();

    bool isRunning() const;
    // The worker of the current or last run has not been joined yet.
    bool isJoinable() const { return m_worker.joinable(); }

signals:
    // Emitted on the worker thread before each operation's wait.
    void sigStepStarted(int index, int count, const QString& description);
    // Delivered on the runner's thread after the worker went through the whole list.
    void sigEndOfFlow();

private:
    void runFlow(Flow* flow);

    std::mutex m_runMutex;  // keeps the flag test-and-set and the thread creation together
    std::thread m_worker;
    bool m_keptAwake = false;
};
