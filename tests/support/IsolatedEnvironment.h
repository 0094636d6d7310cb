#pragma once

#include <QProcessEnvironment>
#include <QTemporaryDir>

// The environment for one of our programs started by a test: settings, data, logs and the
// launcher's local socket (in the temporary folder) all below `home`, so neither the
// user's own nor those of other test runs get in; on the display the test runs on.
inline QProcessEnvironment isolatedEnvironment(const QTemporaryDir& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath("config"));
    env.insert("XDG_DATA_HOME", home.filePath("data"));
    env.insert("TMPDIR", home.path());
    env.remove("QT_QPA_PLATFORM");
    return env;
}
