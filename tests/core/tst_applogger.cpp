#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <cstdio>

#include "AppConfig.h"
#include "AppLog.h"
#include "AppLogger.h"

// The daily log file: filter rules from the stored level, the tags and line
// format, the change of day, the fall-back folders. AppLogger::init runs once per
// process, so the cases that need a fresh process run this executable again as a
// child (see main).
class TestAppLogger : public QObject {
    Q_OBJECT

public:
    static int runChild(const QByteArray& mode);

private:
    QStringList newLines();
    QString readLog(const QDate& date) const;
    QProcessEnvironment childEnvironment(const QString& home, const QByteArray& mode) const;

    QTemporaryDir home;
    QDate today{2025, 3, 7};
    qint64 readUpTo = 0;
    QString readFrom;

private slots:
    void initTestCase();
    void cleanupTestCase();

    void filterRules_data();
    void filterRules();
    void levelTags_data();
    void levelTags();
    void lineFormat_data();
    void lineFormat();
    void fileNames_data();
    void fileNames();
    void logDirectoryChoice();
    void logDirectoryFallsBackToHome();
    void logDirectoryFallsBackToTemp();

    void initChoseTheFolderAndTheFile();
    void defaultLevelWritesWarningsAndWorse();
    void rulesOfEveryLevelInEffect_data();
    void rulesOfEveryLevelInEffect();
    void writtenLinesKeepTheFormat();
    void secondInitDoesNothing();
    void dayChangeStartsANewFile();
    void linesFromManyThreadsNeverInterleave();

    void setUpLinesGoToTheConsoleNotTheFile();
    void unopenableFileFallsBackToStandardOutput();
    void uncreatableFolderLogsIntoTheTempFolder();
    void fatalLineIsWrittenBeforeTheAbort();
};

namespace {
const QRegularExpression kLine(
    QStringLiteral("^\\[(\\d\\d):(\\d\\d):(\\d\\d):(\\d\\d\\d)\\] (.{10})  (.*)$"));

// One child-process scenario; returns the exit code the parent expects.
int childMain(const QByteArray& mode) {
    QStandardPaths::setTestModeEnabled(true);
    AppConfig::instance().logLevel = 1;
    if (mode == "fatal") {
        AppLogger::init();
        qFatal("fatal line 50%% %%1");
    }
    if (mode == "stdout") {
        AppLogger::init();
        // A folder where the day's file should be: the line cannot go there.
        const QString file = AppLogger::logFilePath();
        if (!QDir().mkpath(file)) return 3;
        qCWarning(appLog) << "to standard output";
        if (!QDir().rmdir(file)) return 4;
        qCWarning(appLog) << "back in the file";
        return 0;
    }
    if (mode == "blocked") {
        // A file where the application's data folder should be: "Logs" cannot be made.
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        if (!QDir().mkpath(QFileInfo(data).path())) return 3;
        QFile blocker(data);
        if (!blocker.open(QIODevice::WriteOnly)) return 4;
        blocker.close();
        AppLogger::init();
        qCWarning(appLog) << "in the temporary folder";
        return 0;
    }
    return 2;
}
}  // namespace

int TestAppLogger::runChild(const QByteArray& mode) {
    return childMain(mode);
}

QProcessEnvironment TestAppLogger::childEnvironment(const QString& childHome,
                                                    const QByteArray& mode) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", childHome);
    env.insert("TMPDIR", childHome + "/tmp");
    env.insert("APPLOGGER_CHILD", QString::fromLatin1(mode));
    env.remove("QT_LOGGING_RULES");
    QDir().mkpath(childHome + "/tmp");
    return env;
}

void TestAppLogger::initTestCase() {
    QVERIFY(home.isValid());
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    AppLogger::setDateSource([this] { return today; });
    AppConfig::instance().logLevel = 1;
    AppLogger::init();
}

void TestAppLogger::cleanupTestCase() {
    AppLogger::setDateSource(nullptr);
}

QString TestAppLogger::readLog(const QDate& date) const {
    QFile file(AppLogger::logDirectory().filePath(AppLogger::fileNameForDate(date)));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The lines appended to the current file since the last call.
QStringList TestAppLogger::newLines() {
    const QString path = AppLogger::logFilePath();
    if (path != readFrom) {
        readFrom = path;
        readUpTo = 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    file.seek(readUpTo);
    const QByteArray added = file.readAll();
    readUpTo += added.size();
    QStringList lines = QString::fromUtf8(added).split('\n');
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void TestAppLogger::filterRules_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("rules");
    const QString warningsOnly = "tapwise.debug=false\ntapwise.info=false\ntapwise.warning=true\n";
    QTest::newRow("0") << 0 << "tapwise.debug=true\ntapwise.info=true\ntapwise.warning=true\n";
    QTest::newRow("1") << 1 << warningsOnly;
    QTest::newRow("2") << 2 << "tapwise.debug=false\ntapwise.info=false\ntapwise.warning=false\n";
    QTest::newRow("3") << 3 << warningsOnly;
    QTest::newRow("4") << 4 << "tapwise.debug=false\ntapwise.info=true\ntapwise.warning=true\n";
    QTest::newRow("5") << 5 << warningsOnly;
    QTest::newRow("100") << 100 << warningsOnly;
    QTest::newRow("-1") << -1 << warningsOnly;
    QTest::newRow("lowest") << int(0x80000000) << warningsOnly;
}

void TestAppLogger::filterRules() {
    QFETCH(int, level);
    QFETCH(QString, rules);
    QCOMPARE(AppLogger::filterRulesForLevel(level), rules);
}

void TestAppLogger::levelTags_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("tag");
    QTest::newRow("debug") << int(QtDebugMsg) << "[DEBUG]   ";
    QTest::newRow("warning") << int(QtWarningMsg) << "[WARN]    ";
    QTest::newRow("critical") << int(QtCriticalMsg) << "[CRITICAL]";
    QTest::newRow("fatal") << int(QtFatalMsg) << "[FATAL]   ";
    QTest::newRow("info") << int(QtInfoMsg) << "[INFO]    ";
    QTest::newRow("5") << 5 << "[UNKNOWN] ";
    QTest::newRow("-1") << -1 << "[UNKNOWN] ";
}

void TestAppLogger::levelTags() {
    QFETCH(int, type);
    QFETCH(QString, tag);
    QCOMPARE(AppLogger::levelTag(QtMsgType(type)), tag);
    QCOMPARE(tag.size(), 10);
}

void TestAppLogger::lineFormat_data() {
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("line");
    const QDateTime afternoon(QDate(2025, 3, 7), QTime(13, 4, 5, 7));
    QTest::newRow("warning") << afternoon << int(QtWarningMsg) << "disk full"
                             << "[13:04:05:007] [WARN]      disk full\n";
    QTest::newRow("midnight") << QDateTime(QDate(2025, 3, 8), QTime(0, 0, 0, 0)) << int(QtDebugMsg)
                              << "x"
                              << "[00:00:00:000] [DEBUG]     x\n";
    QTest::newRow("last millisecond")
        << QDateTime(QDate(2025, 3, 8), QTime(23, 59, 59, 999)) << int(QtCriticalMsg) << "y"
        << "[23:59:59:999] [CRITICAL]  y\n";
    QTest::newRow("placeholders stay") << afternoon << int(QtInfoMsg) << "%1 of %2, 100%"
                                       << "[13:04:05:007] [INFO]      %1 of %2, 100%\n";
    QTest::newRow("chinese") << afternoon << int(QtWarningMsg)
                             << QString::fromUtf8("无法读取文件 a:\nb.")
                             << QString::fromUtf8(
                                    "[13:04:05:007] [WARN]      无法读取文件 a:\nb.\n");
    QTest::newRow("empty message") << afternoon << int(QtFatalMsg) << ""
                                   << "[13:04:05:007] [FATAL]     \n";
}

void TestAppLogger::lineFormat() {
    QFETCH(QDateTime, time);
    QFETCH(int, type);
    QFETCH(QString, message);
    QFETCH(QString, line);
    QCOMPARE(AppLogger::formatLine(time, QtMsgType(type), message), line);
}

void TestAppLogger::fileNames_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("name");
    QTest::newRow("7 March 2025") << QDate(2025, 3, 7) << "tapwise2025-03-07.log";
    QTest::newRow("new year's eve") << QDate(2024, 12, 31) << "tapwise2024-12-31.log";
    QTest::newRow("leap day") << QDate(2024, 2, 29) << "tapwise2024-02-29.log";
}

void TestAppLogger::fileNames() {
    QFETCH(QDate, date);
    QFETCH(QString, name);
    QCOMPARE(AppLogger::fileNameForDate(date), name);
}

void TestAppLogger::logDirectoryChoice() {
    QTemporaryDir data;
    const QDir made = AppLogger::chooseLogDirectory(data.path() + "/deep/er");
    QCOMPARE(made.absolutePath(), data.path() + "/deep/er/Logs");
    QVERIFY(made.exists());
    // An existing folder is used as it is.
    QFile marker(made.filePath("marker"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    QCOMPARE(AppLogger::chooseLogDirectory(data.path() + "/deep/er").absolutePath(),
             made.absolutePath());
    QVERIFY(marker.exists());
}

void TestAppLogger::logDirectoryFallsBackToHome() {
    QTemporaryDir otherHome;
    const QByteArray previous = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(otherHome.path()));
    const QDir chosen = AppLogger::chooseLogDirectory(QString());
    qputenv("HOME", previous);
    QCOMPARE(chosen.absolutePath(), otherHome.path() + "/AppData/Local/Tapwise/Logs");
    QVERIFY(chosen.exists());
}

void TestAppLogger::logDirectoryFallsBackToTemp() {
    QTemporaryDir data;
    QFile blocker(data.filePath("Logs"));  // a file named like the folder
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QDir chosen = AppLogger::chooseLogDirectory(data.path());
    QCOMPARE(chosen.absolutePath(),
             QDir(QStandardPaths::writableLocation(QStandardPaths::TempLocation)).absolutePath());
    QVERIFY(QFileInfo(data.filePath("Logs")).isFile());
}

void TestAppLogger::initChoseTheFolderAndTheFile() {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QVERIFY(data.startsWith(home.path()));
    QCOMPARE(AppLogger::logDirectory().absolutePath(), data + "/Logs");
    QVERIFY(AppLogger::logDirectory().exists());
    QCOMPARE(AppLogger::logFilePath(), data + "/Logs/tapwise2025-03-07.log");
}

void TestAppLogger::defaultLevelWritesWarningsAndWorse() {
    newLines();
    qCDebug(appLog) << "app debug";
    qCInfo(appLog) << "app info";
    qCWarning(appLog) << "app warning";
    qCCritical(appLog) << "app critical";
    qDebug() << "plain debug";
    qWarning() << "plain warning";
    qCritical() << "plain critical";
    QStringList messages;
    for (const QString& line : newLines()) {
        const QRegularExpressionMatch m = kLine.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        messages << m.captured(5) + m.captured(6);
    }
    // Other categories keep Qt's defaults, so plain debug lines reach the file too.
    QCOMPARE(messages, (QStringList{"[WARN]    app warning", "[CRITICAL]app critical",
                                    "[DEBUG]   plain debug", "[WARN]    plain warning",
                                    "[CRITICAL]plain critical"}));
}

void TestAppLogger::rulesOfEveryLevelInEffect_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<QStringList>("written");
    QTest::newRow("0: everything") << 0 << QStringList{"debug", "info", "warning", "critical"};
    QTest::newRow("1: warnings") << 1 << QStringList{"warning", "critical"};
    QTest::newRow("2: critical only") << 2 << QStringList{"critical"};
    QTest::newRow("3: as 1") << 3 << QStringList{"warning", "critical"};
    QTest::newRow("4: info and up") << 4 << QStringList{"info", "warning", "critical"};
    QTest::newRow("-1: as 1") << -1 << QStringList{"warning", "critical"};
}

// The rule strings must mean to Qt what the levels promise.
void TestAppLogger::rulesOfEveryLevelInEffect() {
    QFETCH(int, level);
    QFETCH(QStringList, written);
    QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(level));
    newLines();
    qCDebug(appLog) << "debug";
    qCInfo(appLog) << "info";
    qCWarning(appLog) << "warning";
    qCCritical(appLog) << "critical";
    QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(1));
    QStringList messages;
    for (const QString& line : newLines()) messages << kLine.match(line).captured(6);
    QCOMPARE(messages, written);
}

void TestAppLogger::writtenLinesKeepTheFormat() {
    newLines();
    const QTime before = QTime::currentTime();
    qCWarning(appLog).noquote() << QString::fromUtf8("50% %1 %2 中文 done");
    const QTime after = QTime::currentTime();
    const QStringList lines = newLines();
    QCOMPARE(lines.size(), 1);
    const QRegularExpressionMatch m = kLine.match(lines[0]);
    QVERIFY2(m.hasMatch(), qPrintable(lines[0]));
    QCOMPARE(m.captured(5), QString("[WARN]    "));
    QCOMPARE(m.captured(6), QString::fromUtf8("50% %1 %2 中文 done"));
    const QTime stamp(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                      m.captured(4).toInt());
    // The stamp is the local time of the message (allowing for a run across midnight).
    QVERIFY2((stamp >= before && stamp <= after) || after < before, qPrintable(lines[0]));
}

void TestAppLogger::secondInitDoesNothing() {
    const QString file = AppLogger::logFilePath();
    AppConfig::instance().logLevel = 0;  // would let debug lines through
    AppLogger::init();
    AppConfig::instance().logLevel = 1;
    QCOMPARE(AppLogger::logFilePath(), file);
    newLines();
    qCDebug(appLog) << "still filtered";
    QVERIFY(newLines().isEmpty());
}

void TestAppLogger::dayChangeStartsANewFile() {
    today = QDate(2025, 3, 9);
    qCWarning(appLog) << "before midnight";
    today = QDate(2025, 3, 10);
    qCWarning(appLog) << "after midnight";
    QCOMPARE(AppLogger::logFilePath(), AppLogger::logDirectory().filePath("tapwise2025-03-10.log"));
    const QString first = readLog(QDate(2025, 3, 9));
    const QString second = readLog(QDate(2025, 3, 10));
    QCOMPARE(first.count('\n'), 1);
    QVERIFY(first.contains("before midnight"));
    QCOMPARE(second.count('\n'), 1);
    QVERIFY(second.contains("after midnight"));
    // Earlier days are left as they were.
    QVERIFY(readLog(QDate(2025, 3, 7)).contains("app warning"));
    today = QDate(2025, 3, 7);
}

void TestAppLogger::linesFromManyThreadsNeverInterleave() {
    today = QDate(2025, 4, 1);
    const int threads = 4, perThread = 250;
    QList<QThread*> workers;
    for (int t = 0; t < threads; ++t) {
        workers << QThread::create([t] {
            for (int i = 0; i < perThread; ++i)
                qCWarning(appLog).noquote() << QStringLiteral("thread %1 line %2 ").arg(t).arg(i) +
                                                   QString(40, QChar('w' + t));
        });
        workers.last()->start();
    }
    for (QThread* w : workers) {
        QVERIFY(w->wait(30000));
        delete w;
    }
    const QStringList lines = readLog(QDate(2025, 4, 1)).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), threads * perThread);
    QSet<QString> seen;
    const QRegularExpression body(QStringLiteral("^thread (\\d) line (\\d+) ([w-z])\\3{39}$"));
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = kLine.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        QVERIFY2(body.match(m.captured(6)).hasMatch(), qPrintable(line));
        seen.insert(m.captured(6));
    }
    QCOMPARE(seen.size(), threads * perThread);
    today = QDate(2025, 3, 7);
}

void TestAppLogger::setUpLinesGoToTheConsoleNotTheFile() {
    QTemporaryDir childHome;
    QProcess child;
    child.setProcessEnvironment(childEnvironment(childHome.path(), "stdout"));
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    const QString console = QString::fromUtf8(child.readAllStandardError());
    QVERIFY2(console.contains("Attempting to initialize log directory at AppLocalDataLocation:"),
             qPrintable(console));
    QVERIFY(console.contains("Initializing log directory at:"));
    QVERIFY(console.contains("Initializing log with log level: 1"));
    QDir logs(childHome.path() + "/.qttest/share/" + QCoreApplication::applicationName() + "/Logs");
    const QStringList files = logs.entryList({"tapwise*.log"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(logs.filePath(files[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(file.readAll());
    QVERIFY(!content.contains("Initializing"));
}

void TestAppLogger::unopenableFileFallsBackToStandardOutput() {
    QTemporaryDir childHome;
    QProcess child;
    child.setProcessEnvironment(childEnvironment(childHome.path(), "stdout"));
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    const QStringList out =
        QString::fromUtf8(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(out.size(), 1);
    const QRegularExpressionMatch m = kLine.match(out[0]);
    QVERIFY2(m.hasMatch(), qPrintable(out[0]));
    QCOMPARE(m.captured(6), QString("to standard output"));
    // The next line tries the file again.
    QDir logs(childHome.path() + "/.qttest/share/" + QCoreApplication::applicationName() + "/Logs");
    const QStringList files = logs.entryList({"tapwise*.log"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(logs.filePath(files[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(kLine.match(lines[0]).captured(6), QString("back in the file"));
}

void TestAppLogger::uncreatableFolderLogsIntoTheTempFolder() {
    QTemporaryDir childHome;
    QProcess child;
    child.setProcessEnvironment(childEnvironment(childHome.path(), "blocked"));
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitCode(), 0);
    QVERIFY(QString::fromUtf8(child.readAllStandardError())
                .contains("Failed to create log directory, falling back to temporary directory."));
    // Straight into the temporary folder, without a "Logs" folder.
    QDir temp(childHome.path() + "/tmp");
    const QStringList files = temp.entryList({"tapwise*.log"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(temp.filePath(files[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("[WARN]      in the temporary folder"));
    QVERIFY(!temp.exists("Logs"));
}

void TestAppLogger::fatalLineIsWrittenBeforeTheAbort() {
    QTemporaryDir childHome;
    QProcess child;
    child.setProcessEnvironment(childEnvironment(childHome.path(), "fatal"));
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QDir logs(childHome.path() + "/.qttest/share/" + QCoreApplication::applicationName() + "/Logs");
    const QStringList files = logs.entryList({"tapwise*.log"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(logs.filePath(files[0]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    const QRegularExpressionMatch m = kLine.match(lines[0]);
    QCOMPARE(m.captured(5), QString("[FATAL]   "));
    QCOMPARE(m.captured(6), QString("fatal line 50% %1"));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray mode = qgetenv("APPLOGGER_CHILD");
    if (!mode.isEmpty()) return TestAppLogger::runChild(mode);
    TestAppLogger test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applogger.moc"
