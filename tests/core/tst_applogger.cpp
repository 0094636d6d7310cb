#include <QtTest>

#include "core/AppConfig.h"
#include "core/AppLog.h"
#include "core/AppLogger.h"

namespace {
// Tag and message of each "[hh:mm:ss:zzz] <10-char tag>  <message>" line of a log file; "?"
// when out of format.
QStringList linesOf(const QString& path) {
    static const QRegularExpression format("^\\[\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d\\] (.{10})  (.*)$");
    QFile file(path);
    QStringList out;
    if (!file.open(QIODevice::ReadOnly)) return out;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = format.match(line);
        out << (m.hasMatch() ? m.captured(1) + m.captured(2) : "? " + line);
    }
    return out;
}
}  // namespace

// The settings store and the daily log file: level rules, line format, change of day, the
// temporary folder when the data folder cannot be made.
class TestAppLogger : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QDate m_today{2025, 3, 7};
    int m_readUpTo = 0;

    // The lines appended to today's file since the last call.
    QStringList newLines() {
        const QStringList lines = linesOf(AppLogger::logFilePath());
        const QStringList added = lines.mid(m_readUpTo);
        m_readUpTo = lines.size();
        return added;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));  // the user's own settings stay out
        QStandardPaths::setTestModeEnabled(true);
        AppLogger::setDateSource([this] { return m_today; });
        AppConfig::instance().logLevel = 1;
        AppLogger::init();
        AppConfig::instance().logLevel = 0;  // a second init must not apply it
        AppLogger::init();
    }
    void cleanupTestCase() { AppLogger::setDateSource(nullptr); }

    void rulesOfEveryLevel_data() {
        QTest::addColumn<int>("level");        // -1: the level init applied
        QTest::addColumn<QString>("written");  // which of debug, info, warning, critical
        QTest::newRow("stored 1, applied once") << -1 << "WC";
        QTest::newRow("0: everything") << 0 << "DIWC";
        QTest::newRow("2: critical only") << 2 << "C";
        QTest::newRow("4: info and up") << 4 << "IWC";
    }
    void rulesOfEveryLevel() {
        QFETCH(int, level);
        QFETCH(QString, written);
        if (level >= 0) QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(level));
        newLines();
        qCDebug(appLog) << "debug";
        qCInfo(appLog) << "info";
        qCWarning(appLog).noquote() << QString::fromUtf8("50% %1 中文");
        qCCritical(appLog) << "critical";
        qDebug() << "plain";  // other categories keep Qt's defaults
        QLoggingCategory::setFilterRules(AppLogger::filterRulesForLevel(1));
        const QStringList all{"[DEBUG]   debug", "[INFO]    info",
                              QString::fromUtf8("[WARN]    50% %1 中文"), "[CRITICAL]critical"};
        QStringList expected;
        for (int i = 0; i < 4; ++i)
            if (written.contains("DIWC"[i])) expected << all[i];
        QCOMPARE(newLines(), expected << "[DEBUG]   plain");
    }

    void dayChangeStartsANewFile() {
        m_today = QDate(2025, 3, 9);
        qCWarning(appLog) << "before midnight";
        m_today = QDate(2025, 3, 10);
        qCWarning(appLog) << "after midnight";
        m_today = QDate(2025, 3, 7);
        const QDir logs = AppLogger::logDirectory();
        QCOMPARE(linesOf(logs.filePath("tapwise2025-03-09.log")) +
                     linesOf(logs.filePath("tapwise2025-03-10.log")),
                 (QStringList{"[WARN]    before midnight", "[WARN]    after midnight"}));
    }

    // init runs once per process, so this one runs in a child: with a file where the data
    // folder should be, "Logs" cannot be made and the lines go to the temporary folder.
    void uncreatableFolderFallsBackToTheTemporaryFolder() {
        QTemporaryDir childHome;
        QVERIFY(QDir().mkpath(childHome.filePath("tmp")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", childHome.path());
        env.insert("TMPDIR", childHome.filePath("tmp"));
        env.insert("APPLOGGER_CHILD", "1");
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), QStringList());
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QDir tmp(childHome.filePath("tmp"));
        const QStringList files = tmp.entryList({"tapwise*.log"}, QDir::Files);
        QCOMPARE(files.size(), 1);
        QCOMPARE(linesOf(tmp.filePath(files[0])), QStringList{"[WARN]    in the temporary folder"});
    }

    // "LogLevel" is stored beside the user's configuration; when missing, the default 1 is
    // used and stored.
    void settingsLoad_data() {
        QTest::addColumn<QVariant>("stored");  // invalid: no value in the store
        QTest::newRow("missing") << QVariant();
        QTest::newRow("stored 0") << QVariant(0);
    }
    void settingsLoad() {
        QFETCH(QVariant, stored);
        AppConfig& config = AppConfig::instance();
        const QString location = config.settingsLocation();
        QVERIFY(location.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/'));
        QSettings(location, QSettings::NativeFormat).clear();
        if (stored.isValid())
            QSettings(location, QSettings::NativeFormat).setValue("LogLevel", stored);
        config.logLevel = 12345;
        config.load();
        const QVariant expected = stored.isValid() ? stored : QVariant(1);
        QCOMPARE(QVariant(config.logLevel), expected);
        QCOMPARE(QSettings(location, QSettings::NativeFormat).value("LogLevel"), expected);
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty("APPLOGGER_CHILD")) {
        QStandardPaths::setTestModeEnabled(true);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QFile blocker(data);
        if (!QDir().mkpath(QFileInfo(data).path()) || !blocker.open(QIODevice::WriteOnly)) return 3;
        AppLogger::init();
        qCWarning(appLog) << "in the temporary folder";
        return 0;
    }
    TestAppLogger test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_applogger.moc"
