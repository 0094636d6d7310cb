#include "core/AppConfig.h"

#include <QDir>
#include <QOperatingSystemVersion>
#include <QSettings>
#include <QStandardPaths>

AppConfig& AppConfig::instance() {
    static AppConfig config;
    return config;
}

QString AppConfig::settingsLocation() const {
    if (QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows)
        return registryPath;
    // Without a registry, QSettings would treat the key path as a file name in the
    // working directory; keep the store with the user's other configuration instead.
    const QString configDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(configDir).filePath(QStringLiteral("Tapwise/Tapwise.conf"));
}

void AppConfig::load() {
    QSettings settings(settingsLocation(), QSettings::NativeFormat);
    const QString key = QStringLiteral("LogLevel");
    if (settings.contains(key)) {
        logLevel = settings.value(key).toInt();
    } else {
        settings.setValue(key, 1);
        logLevel = 1;
    }
}
