#pragma once

#include <QDate>
#include <QDir>
#include <QObject>
#include <QString>
#include <QtGlobal>
#include <functional>

// Routes every Qt message of the process into one plain-text file per day.
class AppLogger : public QObject {
    Q_OBJECT
public:
    // One-time set-up: log directory, today's file, filter rules, message handler.
    static void init();
    static void messageHandler(QtMsgType type, const QMessageLogContext& context,
                               const QString& message);
    // Recomputes the file path when the date differs from the one it was built for.
    static void updateLogFileName();

    // The filter rules for the "tapwise" category at a stored log level.
    static QString filterRulesForLevel(int level);
    // Ten characters: the bracketed level name padded with blanks.
    static QString levelTag(QtMsgType type);
    // One complete line, line feed included.
    static QString formatLine(const QDateTime& time, QtMsgType type, const QString& message);
    static QString fileNameForDate(const QDate& date);
    // "<appData>/Logs", created if needed; the temporary directory itself when it
    // cannot be created. An empty appData falls back to the home folder.
    static QDir chooseLogDirectory(const QString& appData);

    static QDir logDirectory();
    static QString logFilePath();
    // Tests replace the clock to cross midnight without waiting for it.
    static void setDateSource(std::function<QDate()> source);
};
