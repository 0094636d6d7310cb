#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "AppConfig.h"

// The settings store: one integer, "LogLevel", kept with the user's configuration
// and written only when it is missing.
class TestAppConfig : public QObject {
    Q_OBJECT
    QTemporaryDir home;

    static QString folder() {
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Tapwise";
    }
    static QByteArray readStore() {
        QFile file(folder() + "/Tapwise.conf");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));  // the user's own settings stay out
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(folder().startsWith(home.path()));
    }
    void init() { QDir(folder()).removeRecursively(); }

    void load_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("logLevel");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no store") << QByteArray() << 1 << QByteArray("[General]\nLogLevel=1\n");
        QTest::newRow("store without the key") << QByteArray("[General]\nOther=7\n") << 1
                                               << QByteArray("[General]\nLogLevel=1\nOther=7\n");
        // An existing value is never rewritten.
        for (const char* value : {"0", "4", "-3", "abc"}) {
            const QByteArray store = QByteArray("[General]\nLogLevel=") + value + '\n';
            QTest::addRow("stored %s", value) << store << QByteArray(value).toInt() << store;
        }
    }
    void load() {
        QFETCH(QByteArray, before);
        QFETCH(int, logLevel);
        QFETCH(QByteArray, after);
        QFile file(folder() + "/Tapwise.conf");
        if (!before.isEmpty()) {
            QVERIFY(QDir().mkpath(folder()) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(before) == before.size() && file.flush());
            // QSettings rereads a file only when its size or time changed; rows written
            // within the same millisecond must still look new.
            static int age = 0;
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + ++age),
                                     QFileDevice::FileModificationTime));
            file.close();
        }
        AppConfig& config = AppConfig::instance();
        QCOMPARE(config.settingsLocation(), file.fileName());
        config.logLevel = 12345;
        config.load();
        QCOMPARE(config.logLevel, logLevel);
        QCOMPARE(readStore(), after);
    }

    void nothingIsWrittenToTheWorkingDirectory() {
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        AppConfig::instance().load();
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(
            QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
        QVERIFY(!readStore().isEmpty());
    }

    void unwritableStoreFallsBackToTheDefault() {
        // A file where the store's folder should be: nothing can be made there,
        // whatever the user's rights.
        QFile blocker(folder());
        QVERIFY(QDir().mkpath(QFileInfo(folder()).path()) && blocker.open(QIODevice::WriteOnly));
        blocker.close();
        AppConfig::instance().logLevel = 12345;
        AppConfig::instance().load();
        QCOMPARE(AppConfig::instance().logLevel, 1);
        QVERIFY(QFileInfo(folder()).isFile());
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
