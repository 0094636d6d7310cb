// Stands in for the program that starts the designer: listens on the designer's quit
// notification server name and prints what one client sends, in hexadecimal, then exits.
//   notify_listener [SECONDS]      (default 120: gives up and exits with 1)
#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocalServer server;
    if (!server.listen(QStringLiteral("DesignerOkNotifyServer217490"))) {
        std::printf("cannot listen: %s\n", qPrintable(server.errorString()));
        return 2;
    }
    std::printf("listening\n");
    std::fflush(stdout);
    QByteArray received;
    QObject::connect(&server, &QLocalServer::newConnection, [&] {
        QLocalSocket* client = server.nextPendingConnection();
        QObject::connect(client, &QLocalSocket::readyRead,
                         [&, client] { received += client->readAll(); });
        QObject::connect(client, &QLocalSocket::disconnected, [&, client] {
            received += client->readAll();
            std::printf("received %s\n", received.toHex().constData());
            std::fflush(stdout);
            app.quit();
        });
    });
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 120;
    QTimer::singleShot(seconds * 1000, &app, [&] { app.exit(1); });
    return app.exec();
}
