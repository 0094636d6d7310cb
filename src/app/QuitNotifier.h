#pragma once

#include <QString>

// Tells the program that launched the designer which flow file it was editing:
// the path as UTF-8 bytes to a local server, without prefix or terminator.
class QuitNotifier {
public:
    static constexpr const char* kServerName = "DesignerOkNotifyServer217490";
    static constexpr int kConnectTimeoutMs = 1000;
    static constexpr int kWriteTimeoutMs = 30000;

    // Nobody listening is not an error: the program just quits.
    static void send(const QString& filePath,
                     const QString& serverName = QLatin1String(kServerName));
};
