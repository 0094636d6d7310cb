#include "core/AppLogger.h"

#include <QDateTime>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdlib>
#include <mutex>

#include "core/AppConfig.h"
#include "core/AppLog.h"

namespace {
struct LoggerState {
    bool initialised = false;
    std::mutex initLock;
    std::mutex writeLock;
    QDir logDir;
    QString logFilePath;
    QDate logDate;
    std::function<QDate()> today = [] { return QDate::currentDate(); };
};

LoggerState& state() {
    static LoggerState s;
    return s;
}
}  // namespace

QString AppLogger::filterRulesForLevel(int level) {
    switch (level) {
        case 0:
            return QStringLiteral("tapwise.debug=true\ntapwise.info=true\ntapwise.warning=true\n");
        case 2:
            return QStringLiteral(
                "tapwise.debug=false\ntapwise.info=false\ntapwise.warning=false\n");
        case 4:
            return QStringLiteral("tapwise.debug=false\ntapwise.info=true\ntapwise.warning=true\n");
        default:
            return QStringLiteral(
                "tapwise.debug=false\ntapwise.info=false\ntapwise.warning=true\n");
    }
}

QString AppLogger::levelTag(QtMsgType type) {
    switch (type) {
        case QtDebugMsg:
            return QStringLiteral("[DEBUG]   ");
        case QtWarningMsg:
            return QStringLiteral("[WARN]    ");
        case QtCriticalMsg:
            return QStringLiteral("[CRITICAL]");
        case QtFatalMsg:
            return QStringLiteral("[FATAL]   ");
        case QtInfoMsg:
            return QStringLiteral("[INFO]    ");
    }
    return QStringLiteral("[UNKNOWN] ");
}

QString AppLogger::formatLine(const QDateTime& time, QtMsgType type, const QString& message) {
    // One pass over all four arguments, so a "%1" inside the message stays as written.
    return QStringLiteral("%1 %2 %3 %4\n")
        .arg(time.toString(QStringLiteral("[hh:mm:ss:zzz]")), levelTag(type), QString(), message);
}

QString AppLogger::fileNameForDate(const QDate& date) {
    return QStringLiteral("tapwise%1.log").arg(date.toString(QStringLiteral("yyyy-MM-dd")));
}

QDir AppLogger::chooseLogDirectory(const QString& appData) {
    QString path = appData;
    if (path.isEmpty()) {
        qCInfo(appLog)
            << "Failed to get AppLocalDataLocation, falling back to user home directory.";
        path = QDir(QDir::homePath()).filePath(QStringLiteral("AppData/Local/Tapwise"));
    }
    QDir dir(QDir(path).filePath(QStringLiteral("Logs")));
    qCInfo(appLog) << "Initializing log directory at:" << dir.path();
    if (!dir.exists()) {
        qCInfo(appLog) << "Log directory does not exist, attempting to create it.";
        if (!dir.mkpath(QStringLiteral("."))) {
            qCInfo(appLog)
                << "Failed to create log directory, falling back to temporary directory.";
            dir = QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation));
        }
    }
    return dir;
}

void AppLogger::init() {
    LoggerState& s = state();
    std::lock_guard<std::mutex> lock(s.initLock);
    if (s.initialised) return;
    s.initialised = true;

    const QString path = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    qCInfo(appLog) << "Attempting to initialize log directory at AppLocalDataLocation:" << path;
    const QDir dir = chooseLogDirectory(path);
    {
        std::lock_guard<std::mutex> writeLock(s.writeLock);
        s.logDir = dir;
        s.logFilePath.clear();
        updateLogFileName();
    }

    const int level = AppConfig::instance().logLevel;
    qCInfo(appLog) << "Initializing log with log level:" << level;
    QLoggingCategory::setFilterRules(filterRulesForLevel(level));
    qInstallMessageHandler(&AppLogger::messageHandler);
}

void AppLogger::updateLogFileName() {
    LoggerState& s = state();
    const QDate today = s.today();
    if (today == s.logDate && !s.logFilePath.isEmpty()) return;
    s.logDate = today;
    s.logFilePath = s.logDir.filePath(fileNameForDate(today));
}

void AppLogger::messageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    LoggerState& s = state();
    const QDateTime now = QDateTime::currentDateTime();
    {
        std::lock_guard<std::mutex> lock(s.writeLock);
        updateLogFileName();
        const QString line = formatLine(now, type, message);
        QFile file(s.logFilePath);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            file.write(line.toUtf8());
            file.flush();
            file.close();
        } else {
            QTextStream out(stdout);
            out.setCodec("UTF-8");
            out << line;
            out.flush();
        }
    }
    if (type == QtFatalMsg) std::abort();
}

QDir AppLogger::logDirectory() {
    std::lock_guard<std::mutex> lock(state().writeLock);
    return state().logDir;
}

QString AppLogger::logFilePath() {
    std::lock_guard<std::mutex> lock(state().writeLock);
    return state().logFilePath;
}

void AppLogger::setDateSource(std::function<QDate()> source) {
    std::lock_guard<std::mutex> lock(state().writeLock);
    state().today = source ? std::move(source) : [] { return QDate::currentDate(); };
}
