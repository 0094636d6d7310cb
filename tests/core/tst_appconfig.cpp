#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/AppConfig.h"

// The settings store: "LogLevel" beside the user's configuration, the default stored when missing.
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
        QTest::addColumn<QVariant>("stored");  // invalid: no value in the store
        QTest::addColumn<int>("logLevel");
        QTest::newRow("missing: 1, and stored") << QVariant() << 1;
        QTest::newRow("stored 4") << QVariant(4) << 4;
        QTest::newRow("stored 0") << QVariant(0) << 0;
    }
    void load() {
        QFETCH(QVariant, stored);
        QFETCH(int, logLevel);
        AppConfig& config = AppConfig::instance();
        const QString location = config.settingsLocation();
        QVERIFY(location.startsWith(
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/'));
        QSettings(location, QSettings::NativeFormat).clear();
        if (stored.isValid())
            QSettings(location, QSettings::NativeFormat).setValue("LogLevel", stored);
        // Without a registry, the store must not land in the working folder either.
        QTemporaryDir work;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(work.path()));
        config.logLevel = 12345;
        config.load();
        QVERIFY(QDir::setCurrent(previous));
        QVERIFY(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
        QCOMPARE(config.logLevel, logLevel);
        QCOMPARE(QSettings(location, QSettings::NativeFormat).value("LogLevel"),
                 QVariant(logLevel));
    }
};

QTEST_GUILESS_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
