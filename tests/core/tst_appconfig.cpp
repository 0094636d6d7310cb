#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/AppConfig.h"

// The settings store: "LogLevel" beside the user's configuration, written only when missing.
class TestAppConfig : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));  // the user's own settings stay out
        QStandardPaths::setTestModeEnabled(true);
    }

    void load_data() {
        QTest::addColumn<QByteArray>("before");  // the store's content; "folder" a file there
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
        // Nothing can be made where a file stands in for the folder, whatever the user's rights.
        QTest::newRow("store cannot be written") << QByteArray("folder") << 1 << QByteArray();
    }
    void load() {
        QFETCH(QByteArray, before);
        QFETCH(int, logLevel);
        QFETCH(QByteArray, after);
        const QString folder =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Tapwise";
        QVERIFY(folder.startsWith(m_home.path()));
        QDir(folder).removeRecursively();
        QFile file(before == "folder" ? folder : folder + "/Tapwise.conf");
        if (!before.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.write(before) == before.size() && file.flush());
            // QSettings rereads a file only when its size or time changed.
            static int age = 0;
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-1000 + ++age),
                                     QFileDevice::FileModificationTime));
            file.close();
        }
        AppConfig& config = AppConfig::instance();
        QCOMPARE(config.settingsLocation(), folder + "/Tapwise.conf");
        // Without a registry, the store must not land in the working folder either.
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        config.logLevel = 12345;
        config.load();
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(
            QDir(work.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
        QCOMPARE(config.logLevel, logLevel);
        QFile store(config.settingsLocation());
        QCOMPARE(store.open(QIODevice::ReadOnly) ? store.readAll() : QByteArray(), after);
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
