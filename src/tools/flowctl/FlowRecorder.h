#pragma once

#include <QObject>
#include <QTextStream>

// Records the user's input on the desktop into a new flow file for flowctl: until F9,
// Ctrl+C, SIGTERM or SIGHUP, then writes the file and says what was recorded and what
// the format could not hold.
class FlowRecorder : public QObject {
    Q_OBJECT
public:
    // moveInterval: keep a pointer move at most every that many ms; 0 for none.
    FlowRecorder(const QString& path, int moveInterval, QTextStream& out, QTextStream& err,
                 QObject* parent = nullptr);

    // Runs the event loop until stopped. Returns the exit code: 0 written, 1 the file
    // cannot be written, 3 no desktop to record on.
    int record();

    // The --moves value: "off" is 0, a positive number of ms itself; -1 when neither.
    static int parseMoves(const QString& value);

private:
    QString m_path;
    int m_moveInterval;
    QTextStream& m_out;
    QTextStream& m_err;
};
