#include "support/ClientProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

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
    ready = line.split(' ').mid(1);
    return !line.isEmpty();
}

void ClientProcess::readAvailable() {
    while (process.canReadLine()) lines.append(process.readLine().chopped(1));
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
        process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 50)));
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
