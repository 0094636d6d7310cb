#pragma once

#include <QObject>
#include <QTimer>

// Turns Ctrl+C (SIGINT) and SIGTERM into a Qt signal on the main thread, so a
// replay can be stopped cleanly instead of leaving keys pressed.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void interrupted();

private:
    QTimer m_poll;
};
