#include "ClientProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

ClientProcess::~ClientProcess() {
    if (process.state() == QProcess::NotRunning) return;
    process.write("quit\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

bool ClientProcess::start(const QString& program, const QStringList& arguments, int timeoutMs) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForStarted(timeoutMs)) return false;
    const QByteArray line = waitForLine("ready", timeoutMs);
    if (line.isEmpty()) return false;
    ready = line.split(' ').mid(1);
    return true;
}

void ClientProcess::readAvailable() {
    partial += process.readAllStandardOutput();
    int nl;
    while ((nl = partial.indexOf('\n')) >= 0) {
        lines.append(partial.left(nl));
        partial.remove(0, nl + 1);
    }
}

QByteArray ClientProcess::waitForLine(const QByteArray& prefix, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readAvailable();
        while (cursor < lines.size()) {
            const QByteArray line = lines.at(cursor++);
            if (line.startsWith(prefix)) return line;
        }
        if (deadline.hasExpired() || process.state() == QProcess::NotRunning) return QByteArray();
        process.waitForReadyRead(int(qMax<qint64>(1, qMin<qint64>(50, deadline.remainingTime()))));
    }
}

QList<QByteArray> ClientProcess::takeLines() {
    readAvailable();
    const QList<QByteArray> unread = lines.mid(cursor);
    cursor = lines.size();
    return unread;
}

void ClientProcess::settle(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents();
    }
    readAvailable();
}

void ClientProcess::send(const QByteArray& command) {
    process.write(command + '\n');
    process.waitForBytesWritten(1000);
}

QString ClientProcess::errorText() const {
    return process.errorString();
}
