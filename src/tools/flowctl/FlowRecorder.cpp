#include "tools/flowctl/FlowRecorder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeySequence>
#include <QSaveFile>

#include "model/Flow.h"
#include "model/Operation.h"
#include "model/RecordingSession.h"
#include "platform/GlobalHotkey.h"
#include "platform/InputRecorder.h"
#include "platform/Platform.h"
#include "platform/StopSignals.h"

namespace {
// How the summary names what was left out, singular and plural.
const char* const kSkippedNames[kSkippedInputKinds][2] = {
    {"drag", "drags"},
    {"wheel notch", "wheel notches"},
    {"side-button press", "side-button presses"},
    {"key without a name in flows", "keys without a name in flows"},
    {"release of a key or button pressed before recording",
     "releases of keys or buttons pressed before recording"},
};
}  // namespace

FlowRecorder::FlowRecorder(const QString& path, int moveInterval, QTextStream& out,
                           QTextStream& err, QObject* parent)
    : QObject(parent), m_path(path), m_moveInterval(moveInterval), m_out(out), m_err(err) {}

int FlowRecorder::parseMoves(const QString& value) {
    if (value == QLatin1String("off")) return 0;
    bool ok = false;
    const int ms = value.toInt(&ok);
    return ok && ms > 0 ? ms : -1;
}

int FlowRecorder::record() {
    // Found out now rather than after the user has done all the work.
    QSaveFile probe(m_path);
    if (!probe.open(QIODevice::WriteOnly)) {
        m_err << "flowctl: cannot write " << m_path << ": " << probe.errorString() << Qt::endl;
        return 1;
    }
    probe.cancelWriting();
    InputRecorder& recorder = Platform::inputRecorder();
    if (!recorder.isAvailable()) {
        m_err << "flowctl: cannot record: " << recorder.unavailableReason() << Qt::endl;
        return 3;
    }

    // Held so that the program in front does not see F9.
    GlobalHotkey stopKey(QKeySequence(Qt::Key_F9), true);
    RecordingSession session(&recorder);
    session.setStopHotkey(&stopKey);
    RecordingOptions options = session.options();
    options.moveInterval = m_moveInterval;
    session.setOptions(options);

    QString stopReason;
    auto finish = [&stopReason](const QString& why) {
        if (!stopReason.isEmpty()) return;
        stopReason = why;
        QCoreApplication::exit(0);
    };
    connect(&session, &RecordingSession::sigStopKeyPressed, this,
            [&] { finish(QStringLiteral("stopped with F9")); });
    StopSignals interrupt;
    connect(&interrupt, &StopSignals::interrupted, this,
            [&] { finish(QStringLiteral("interrupted")); });

    QString error;
    if (!session.start(&error)) {
        m_err << "flowctl: cannot record: " << error << Qt::endl;
        return 3;
    }
    m_out << "recording into " << m_path << " (F9 or Ctrl+C stops)" << Qt::endl;
    QElapsedTimer clock;
    clock.start();
    QCoreApplication::exec();
    RecordingResult result = session.stop();
    const double seconds = clock.nsecsElapsed() / 1e9;

    Flow flow;
    const QString now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    flow.setHeader(QFileInfo(m_path).completeBaseName(), QLatin1String(""), QLatin1String(""), now,
                   now);
    flow.insertOperations(0, std::move(result.operations));
    if (!flow.save(m_path)) return 1;  // the presenter said why

    m_out << QStringLiteral("%1 after %2 s: %3 steps from %4 input events written to %5")
                 .arg(stopReason)
                 .arg(seconds, 0, 'f', 1)
                 .arg(flow.operationCount())
                 .arg(session.events().size())
                 .arg(m_path)
          << Qt::endl;
    QStringList skipped;
    for (int kind = 0; kind < kSkippedInputKinds; ++kind) {
        const int n = result.skipped[size_t(kind)];
        if (n > 0)
            skipped << QStringLiteral("%1 %2").arg(n).arg(kSkippedNames[kind][n == 1 ? 0 : 1]);
    }
    if (!skipped.isEmpty())
        m_out << "not recorded (flows cannot hold them): " << skipped.join(QStringLiteral(", "))
              << Qt::endl;
    return 0;
}
