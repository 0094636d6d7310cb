#include "support/ClientProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

ClientProcess::~ClientProcess() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.closeWriteChannel();  // the client quits at the end of its input
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(1000);
    }
}

bool ClientProcess::start(const QString& program, const QStringList& arguments, int timeoutMs) {
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, arguments);
    if (!m_process.waitForStarted(timeoutMs)) return false;
    const QByteArray line = waitForLine("ready", timeoutMs);
    m_ready = line.split(' ').mid(1);
    return !line.isEmpty();
}

void ClientProcess::readAvailable() {
    while (m_process.canReadLine()) m_lines.append(m_process.readLine().chopped(1));
}

QByteArray ClientProcess::waitForLine(const QByteArray& prefix, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        readAvailable();
        while (m_cursor < m_lines.size()) {
            const QByteArray line = m_lines.at(m_cursor++);
            if (line.startsWith(prefix)) return line;
        }
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) return QByteArray();
        m_process.waitForReadyRead(int(qBound<qint64>(1, deadline.remainingTime(), 50)));
    }
}

QList<QByteArray> ClientProcess::takeLines(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents();
    }
    readAvailable();
    const QList<QByteArray> unread = m_lines.mid(m_cursor);
    m_cursor = m_lines.size();
    return unread;
}

QString ClientProcess::fieldText() {
    send("text");
    return QString::fromUtf8(QByteArray::fromHex(waitForLine("text ").mid(5)));
}

void ClientProcess::send(const QByteArray& command) {
    m_process.write(command + '\n');
    m_process.waitForBytesWritten(1000);
}
