#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

// For a program a test starts: settings, data, logs and the launcher's socket (in the temporary
// folder) below `home`, away from the user's and other runs'; on the test's own display.
inline QProcessEnvironment isolatedEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("TMPDIR", home.path());
    env.remove("QT_QPA_PLATFORM");
    return env;
}
