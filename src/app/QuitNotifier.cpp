#include "app/QuitNotifier.h"

#include <QLocalSocket>

void QuitNotifier::send(const QString& filePath, const QString& serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName, QIODevice::ReadWrite);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.write(filePath.toUtf8());
        socket.waitForBytesWritten(kWriteTimeoutMs);
    }
    socket.disconnectFromServer();
}
