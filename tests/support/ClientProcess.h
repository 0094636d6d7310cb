#pragma once

#include <QProcess>
#include <QStringList>

// A receiving client run as a separate program: it reports what it received one
// event a line on standard output and takes commands on standard input.
class ClientProcess {
public:
    ~ClientProcess();

    // Starts the program and waits for its "ready" line; false on failure or timeout.
    bool start(const QString& program, const QStringList& arguments, int timeoutMs = 10000);
    // The fields of the ready line after the word "ready".
    QList<QByteArray> readyFields() const { return m_ready; }

    // The next unread line starting with prefix (earlier unread lines are skipped),
    // waiting up to timeoutMs; empty when none came.
    QByteArray waitForLine(const QByteArray& prefix, int timeoutMs = 5000);
    // Every line not yet read that came within ms (the event loop runs), marked read.
    QList<QByteArray> takeLines(int ms);
    void send(const QByteArray& command);
    // The receiving field's text, asked for with the "text" command.
    QString fieldText();
    QString errorText() const { return m_process.errorString(); }

private:
    void readAvailable();

    QProcess m_process;
    QList<QByteArray> m_lines;
    int m_cursor = 0;
    QList<QByteArray> m_ready;
};
