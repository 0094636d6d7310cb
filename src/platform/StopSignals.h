#pragma once

#include <QObject>
#include <QTimer>

// Turns the signals that end a program from outside (Ctrl+C's SIGINT, SIGTERM and,
// where it exists, SIGHUP) into a Qt signal on the main thread, so that a replay
// is stopped like a user stop, with its keys released and the keymap restored,
// before the program exits. Without it they end the process on the spot.
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
