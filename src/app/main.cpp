// The designer's entry point: the start-up order matters (settings before logging,
// logging before anything that logs, prototypes before the window that lists them).
#include <QApplication>
#include <QFont>
#include <QTranslator>

#include "app/QuitNotifier.h"
#include "app/StartupArguments.h"
#include "app/WindowPlacement.h"
#include "core/AppConfig.h"
#include "core/AppLog.h"
#include "core/AppLogger.h"
#include "model/ErrorPresenter.h"
#include "model/OperationFactory.h"
#include "platform/Platform.h"
#include "platform/StopSignals.h"
#include "ui/Flowsmith.h"
#include "ui/MessageBoxPresenter.h"

int main(int argc, char* argv[]) {
    // Without a flow there is nothing to do, not even to connect to a display: the
    // arguments are looked at before the application object opens one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (StartupArguments::flowPath(arguments).isEmpty()) return 0;

    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);

    const QString filePath = StartupArguments::flowPath(QCoreApplication::arguments());
    if (filePath.isEmpty()) return 0;  // the path was one of Qt's own options

    // Where the Windows UI font is missing, draw Latin and Chinese text in one
    // installed CJK face rather than mixing two; the requested family stays the same.
    for (const char* family : {"Microsoft YaHei", "Microsoft YaHei UI"})
        QFont::insertSubstitutions(
            QString::fromLatin1(family),
            {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    const QFont font(QStringLiteral("Microsoft YaHei"), 9);
    QApplication::setFont(font);
    QTranslator translator;
    if (translator.load(QStringLiteral("translations/qt_zh_CN.qm")))
        QApplication::installTranslator(&translator);

    AppConfig::instance().load();
    AppLogger::init();
    qCDebug(appLog) << "Flowsmith has finished loading config.";
    OperationFactory::registerStandardOperations();

    MessageBoxPresenter presenter;
    ErrorPresenter::install(&presenter);

    // Opening the input backend gives back keycodes that a killed replay left bound.
    Platform::input();

    Flowsmith window(filePath);
    window.setWindowTitle(QStringLiteral("Flowsmith - ") + filePath);
    window.resize(1366, 768);
    window.setUp();
    WindowPlacement::showFitted(&window);  // maximized where 1366 × 768 does not fit

    QObject::connect(
        &app, &QCoreApplication::aboutToQuit, &app, [&filePath] { QuitNotifier::send(filePath); },
        Qt::DirectConnection);
    // SIGTERM, SIGHUP or Ctrl+C end a replay as the user would before the program exits.
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::interrupted, &window, &Flowsmith::onStopSignal);
    const int result = QApplication::exec();
    ErrorPresenter::install(nullptr);
    return result;
}
