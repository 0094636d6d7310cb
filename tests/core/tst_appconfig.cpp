#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "AppConfig.h"

// The settings store: one integer, "LogLevel", written back only when missing.
class TestAppConfig : public QObject {
    Q_OBJECT

private:
    QString storeFile() const;
    void writeStore(const QByteArray& content);
    QByteArray readStore() const;

    QTemporaryDir home;

private slots:
    void initTestCase();
    void init();

    void initialValues();
    void storeLivesWithTheUserConfiguration();
    void load_data();
    void load();
    void nothingIsWrittenToTheWorkingDirectory();
    void unwritableStoreFallsBackToTheDefault();
};

QString TestAppConfig::storeFile() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/Tapwise/Tapwise.conf";
}

void TestAppConfig::writeStore(const QByteArray& content) {
    QVERIFY(QDir().mkpath(QFileInfo(storeFile()).path()));
    QFile file(storeFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    QVERIFY(file.flush());
    // QSettings keeps files it has read and rereads one only when its size or time
    // changed; rows written within the same millisecond must still look new.
    static int age = 0;
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + ++age),
                             QFileDevice::FileModificationTime));
}

QByteArray TestAppConfig::readStore() const {
    QFile file(storeFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestAppConfig::initTestCase() {
    QVERIFY(home.isValid());
    // Keep the user's real configuration out of reach.
    qputenv("HOME", QFile::encodeName(home.path()));
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(storeFile().startsWith(home.path()));
}

void TestAppConfig::init() {
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .removeRecursively();
}

// Runs first, before any load.
void TestAppConfig::initialValues() {
    AppConfig& config = AppConfig::instance();
    QCOMPARE(&config, &AppConfig::instance());
    QCOMPARE(config.logLevel, 0);
    QCOMPARE(config.running.load(), false);
    QCOMPARE(config.registryPath,
             QString("HKEY_CURRENT_USER") + QChar('\\') + "Software" + QChar('\\') + "Tapwise");
    QCOMPARE(config.registryPath.count('\\'), 2);
}

void TestAppConfig::storeLivesWithTheUserConfiguration() {
    const QString location = AppConfig::instance().settingsLocation();
    QVERIFY(QDir::isAbsolutePath(location));
    QCOMPARE(location, storeFile());
}

void TestAppConfig::load_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("logLevel");
    // Keys of the store after loading; empty when the store must stay byte for byte.
    QTest::addColumn<QStringList>("keysAfter");
    QTest::newRow("empty store") << QByteArray() << 1 << QStringList{"LogLevel"};
    QTest::newRow("store without the key")
        << QByteArray("[General]\nOther=7\n") << 1 << QStringList{"LogLevel", "Other"};
    QTest::newRow("stored 0 stays") << QByteArray("[General]\nLogLevel=0\n") << 0 << QStringList();
    QTest::newRow("stored 2") << QByteArray("[General]\nLogLevel=2\n") << 2 << QStringList();
    QTest::newRow("stored 4") << QByteArray("[General]\nLogLevel=4\n") << 4 << QStringList();
    QTest::newRow("stored negative")
        << QByteArray("[General]\nLogLevel=-3\n") << -3 << QStringList();
    QTest::newRow("text is 0, not rewritten")
        << QByteArray("[General]\nLogLevel=abc\n") << 0 << QStringList();
    QTest::newRow("empty value is 0") << QByteArray("[General]\nLogLevel=\n") << 0 << QStringList();
}

void TestAppConfig::load() {
    QFETCH(QByteArray, before);
    QFETCH(int, logLevel);
    QFETCH(QStringList, keysAfter);
    if (!before.isEmpty()) writeStore(before);
    AppConfig& config = AppConfig::instance();
    config.logLevel = 12345;
    config.load();
    QCOMPARE(config.logLevel, logLevel);

    if (keysAfter.isEmpty()) {
        QCOMPARE(readStore(), before);
        return;
    }
    // The default is stored as the integer 1, and nothing else is added.
    QSettings store(storeFile(), QSettings::IniFormat);
    QStringList keys = store.allKeys();
    keys.sort();
    QCOMPARE(keys, keysAfter);
    QCOMPARE(store.value("LogLevel").toString(), QString("1"));
    QVERIFY(readStore().contains("LogLevel=1\n"));
    // The next start reads the stored value back without writing again.
    const QByteArray stored = readStore();
    config.logLevel = 12345;
    config.load();
    QCOMPARE(config.logLevel, 1);
    QCOMPARE(readStore(), stored);
}

void TestAppConfig::nothingIsWrittenToTheWorkingDirectory() {
    QTemporaryDir work;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    AppConfig::instance().load();
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    QVERIFY(QFile::exists(storeFile()));
}

void TestAppConfig::unwritableStoreFallsBackToTheDefault() {
    // A file where the store's folder should be: nothing can be created there,
    // whatever the user's rights.
    const QString folder = QFileInfo(storeFile()).path();
    QVERIFY(QDir().mkpath(QFileInfo(folder).path()));
    QFile blocker(folder);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AppConfig& config = AppConfig::instance();
    config.logLevel = 12345;
    config.load();
    QCOMPARE(config.logLevel, 1);
    QVERIFY(QFileInfo(folder).isFile());
}

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
