// The designer's start: the flow named on its command line, the path it hands back on
// quitting, and nothing done without a flow.
#include <QLocalServer>
#include <QLocalSocket>
#include <QtTest>

#include "app/QuitNotifier.h"
#include "app/StartupArguments.h"
#include "support/IsolatedEnvironment.h"

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void flowPathFromTheCommandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("path");
        QTest::newRow("-f last") << QStringList{"flowsmith", "-f"} << QString();
        QTest::newRow("first -f wins")
            << QStringList{"flowsmith", "-f", "1.flow", "-f", "2.flow"} << "1.flow";
        QTest::newRow("-f as the path") << QStringList{"flowsmith", "-f", "-f"} << "-f";
    }
    void flowPathFromTheCommandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, path);
        QCOMPARE(StartupArguments::flowPath(arguments), path);
    }

    void quitNotificationCarriesThePathAsUtf8() {
        QLocalServer server;
        const QString name =
            QStringLiteral("flowsmith-test-%1").arg(QCoreApplication::applicationPid());
        QLocalServer::removeServer(name);
        QVERIFY(server.listen(name));
        const QString path = QStringLiteral("/home/用户/流程 ünï.flow");
        QByteArray received;
        connect(&server, &QLocalServer::newConnection, this, [&] {
            QLocalSocket* s = server.nextPendingConnection();
            connect(s, &QLocalSocket::readyRead, this, [&, s] { received += s->readAll(); });
        });
        // The notifier blocks while it writes, so the server side runs on the event
        // loop afterwards and reads what was sent.
        QuitNotifier::send(path, name);
        QTRY_COMPARE(received, path.toUtf8());
    }

    void withoutAFlowTheDesignerDoesNothing() {
        QTemporaryDir home;
        QProcessEnvironment env = isolatedEnvironment(home);
        // Not even a display is needed to do nothing.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(name);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(home.path());
        p.start(QStringLiteral(FLOWSMITH_PATH), QStringList());
        QVERIFY(p.waitForFinished(10000));
        QVERIFY(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
        // No settings written, no log opened.
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        const QString written = it.hasNext() ? it.next() : QString();
        QVERIFY2(written.isEmpty(), qPrintable(written));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
