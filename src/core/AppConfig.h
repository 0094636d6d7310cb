#pragma once

#include <QString>
#include <atomic>

// Process-wide settings: the stored log level, and the run flag shared between
// the GUI thread and the run thread.
class AppConfig {
public:
    static AppConfig& instance();

    // Reads "LogLevel"; stores the default 1 when the key is absent.
    void load();

    // Where the settings live: the per-user registry key on Windows, a native-format
    // file under the user's configuration folder elsewhere.
    QString settingsLocation() const;

    const QString registryPath = QStringLiteral("HKEY_CURRENT_USER\\Software\\Tapwise");
    int logLevel = 0;
    std::atomic<bool> running{false};

private:
    AppConfig() = default;
    AppConfig(const AppConfig&) = delete;
    AppConfig& operator=(const AppConfig&) = delete;
};
