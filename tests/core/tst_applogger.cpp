#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/AppConfig.h"
#include "core/AppLog.h"
#include "core/AppLogger.h"

namespace {
// Tag and message of each "[hh:mm:ss:zzz] <10-char tag>  <message>" line; "?" when out of format.
QStringList parts(const QStringList& lines) {
    static const QRegularExpression format("^\\[\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d\\] (.{10})  (.*)$");
    QStringList out;
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = format.match(line);
        out << (m.hasMatch() ? m.captured(1) + m.captured(2) : "? " + line);
    }
    return out;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// init runs once per process: cases that need a fresh one rerun this executable as a child.
int childMain(const QByteArray& mode) {
    QStandardPaths::setTestModeEnabled(true);
    AppConfig::instance().logLevel = 1;
    if (mode == "blocked") {
        // A file where the application's data folder should be: "Logs" cannot be made.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QFile blocker(data);
        if (!QDir().mkpath(QFileInfo(data).path()) || !blocker.open(QIODevice::WriteOnly)) return 3;
    }
    AppLogger::init();
    if (mode == "fatal") qFatal("fatal line 50%% %%1");
    if (mode == "blocked") qCWarning(appLog) << "in the temporary folder";
    if (mode != "stdout") return 0;
    // A folder where the day's file should be: the line cannot go there.
    if (!QDir().mkpath(AppLogger::logFilePath())) return 3;
    qCWarning(appLog) << "to standard output";
    if (!QDir().rmdir(AppLogger::logFilePath())) return 4;
    qCWarning(appLog) << "back in the file";
    return 0;
}
}  // namespace

// The daily log file: level rules, line format, change of day, fall-backs of folder and file.
class TestAppLogger : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QDate m_today{2025, 3, 7};
    qint64 m_readUpTo = 0;

    // The lines appended to today's file since the last call.
    QStringList newLines() {
        QFile file(AppLogger::logFilePath());
        if (!file.open(QIODevice::ReadOnly) || !file.seek(m_readUpTo)) return {};
        const QByteArray added = file.readAll();
        m_readUpTo += added.size();
        return QString::fromUtf8(added).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QStandardPaths::setTestModeEnabled(true);
        AppLogger::setDateSource([this] { return m_today; });
        AppConfig::instance().logLevel = 1;
        AppLogger::init();
    }
    void cleanupTestCase() { AppLogger::setDateSource(nullptr); }

    void emptyDataFolderFallsBackToTheHomeFolder() {
        const QByteArray previous = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_home.filePath("other")));
        const QDir chosen = AppLogger::chooseLogDirectory(QString());
        qputenv("HOME", previous);
        QCOMPARE(chosen.absolutePath(), m_home.filePath("other") + "/AppData/Local/Tapwise/Logs");
        QVERIFY(chosen.exists());
    }

    void initAppliesTheStoredLevelOnlyOnce() {
        AppConfig::instance().logLevel = 0;  // a second init must not apply it
        AppLogger::init();
        newLines();
        qCDebug(appLog) << "debug";
        qCWarning(appLog) << "warning";
        QCOMPARE(parts(newLines()), QStringList{"[WARN]    warning"});
    }

    void rulesOfEveryLevel_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("written");  // which of debug, info, warning, critical
        QTest::newRow("0: everything") << 0 << "DIWC";
        QTest::newRow("1: warnings") << 1 << "WC";
        QTest::newRow("2: critical only") << 2 << "C";
        QTest::newRow("3: as 1") << 3 << "WC";
        QTest::newRow("4: info and up") << 4 << "IWC";
    }
    void rulesOfEveryLevel() {
        QFETCH(int, level);
        QFETCH(QString, written);
        QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(level));
        newLines();
        const QTime before = QTime::currentTime();
        qCDebug(appLog) << "debug";
        qCInfo(appLog) << "info";
        qCWarning(appLog).noquote() << QString::fromUtf8("50% %1 中文");
        qCCritical(appLog) << "critical";
        qDebug() << "plain";  // other categories keep Qt's defaults
        const QTime after = QTime::currentTime();
        QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(1));
        const QStringList all{"[DEBUG]   debug", "[INFO]    info",
                              QString::fromUtf8("[WARN]    50% %1 中文"), "[CRITICAL]critical"};
        QStringList expected;
        for (int i = 0; i < 4; ++i)
            if (written.contains("DIWC"[i])) expected << all[i];
        const QStringList lines = newLines();
        QCOMPARE(parts(lines), expected << "[DEBUG]   plain");
        // Each line is stamped with the local time it was logged at (a run may cross midnight).
        for (const QString& line : lines) {
            const QTime stamp = QTime::fromString(line.mid(1, 12), "hh:mm:ss:zzz");
            QVERIFY2((stamp >= before && stamp <= after) || after < before, qPrintable(line));
        }
    }

    void dayChangeStartsANewFile() {
        m_today = QDate(2025, 3, 9);
        qCWarning(appLog) << "before midnight";
        m_today = QDate(2025, 3, 10);
        qCWarning(appLog) << "after midnight";
        m_today = QDate(2025, 3, 7);
        const QDir logs = AppLogger::logDirectory();
        QCOMPARE(parts(readLines(logs.filePath("tapwise2025-03-09.log"))),
                 QStringList{"[WARN]    before midnight"});
        QCOMPARE(parts(readLines(logs.filePath("tapwise2025-03-10.log"))),
                 QStringList{"[WARN]    after midnight"});
    }

    void freshProcess_data() {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QString>("console");         // a line of standard error
        QTest::addColumn<QStringList>("transcript");  // standard output, then the day's file
        // Set-up lines go to the console; a line the file refuses to stdout, the next to the file.
        QTest::newRow("unopenable file")
            << QByteArray("stdout") << "Initializing log with log level: 1"
            << QStringList{"out [WARN]    to standard output", "log [WARN]    back in the file"};
        // Straight into the temporary folder, without a "Logs" folder of its own.
        QTest::newRow("uncreatable folder")
            << QByteArray("blocked")
            << "Failed to create log directory, falling back to temporary directory."
            << QStringList{"log [WARN]    in the temporary folder"};
        QTest::newRow("fatal line is written before the abort")
            << QByteArray("fatal") << "" << QStringList{"log [FATAL]   fatal line 50% %1"};
    }
    void freshProcess() {
        QFETCH(QByteArray, mode);
        QFETCH(QString, console);
        QFETCH(QStringList, transcript);
        QTemporaryDir childHome;
        QVERIFY(QDir().mkpath(childHome.filePath("tmp")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", childHome.path());
        env.insert("TMPDIR", childHome.filePath("tmp"));
        env.insert("APPLOGGER_CHILD", mode);
        env.remove("QT_LOGGING_RULES");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus() == QProcess::CrashExit, mode == "fatal");
        if (mode != "fatal") QCOMPARE(child.exitCode(), 0);
        const QString errors = QString::fromUtf8(child.readAllStandardError());
        QVERIFY2(errors.contains(console), qPrintable(errors));
        QStringList seen;
        for (const QString& part : parts(
                 QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)))
            seen << "out " + part;
        const QString logs = ".qttest/share/" + QCoreApplication::applicationName() + "/Logs";
        const QDir dir(childHome.filePath(mode == "blocked" ? "tmp" : logs));
        const QStringList files = dir.entryList({"tapwise*.log"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        for (const QString& part : parts(readLines(dir.filePath(files[0])))) seen << "log " + part;
        QCOMPARE(seen, transcript);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv("APPLOGGER_CHILD");
    if (!mode.isEmpty()) return childMain(mode);
    TestAppLogger test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applogger.moc"
