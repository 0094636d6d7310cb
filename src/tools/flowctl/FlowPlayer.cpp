#include "tools/flowctl/FlowPlayer.h"

#include <QCoreApplication>
#include <QKeySequence>

#include "model/Flow.h"
#include "platform/GlobalHotkey.h"
#include "platform/StopSignals.h"

namespace {
// A step is one line of output, however long its text: line breaks are shown as \n,
// and past kShownLength characters the rest is only counted.
constexpr int kShownLength = 200;
QString oneLine(const QString& description) {
    QString line = description;
    line.replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
    if (line.size() <= kShownLength) return line;
    int cut = kShownLength;
    if (line.at(cut - 1).isHighSurrogate()) --cut;  // never split a character
    return line.left(cut) + QStringLiteral("… (%1 more characters)").arg(line.size() - cut);
}
}  // namespace

FlowPlayer::FlowPlayer(Flow* flow, QTextStream& out, QObject* parent)
    : QObject(parent), m_flow(flow), m_out(out) {}

int FlowPlayer::play() {
    const int count = m_flow->operationCount();
    connect(
        &m_runner, &FlowRunner::sigStepStarted, this,
        [this](int index, int total, const QString& text) {
            m_stepsStarted = index + 1;
            m_out << QStringLiteral("[%1/%2] ").arg(index + 1).arg(total) << oneLine(text)
                  << Qt::endl;
        },
        Qt::QueuedConnection);
    connect(&m_runner, &FlowRunner::sigEndOfFlow, this, [this] { finish(false, QString()); });

    StopSignals interrupt;
    connect(&interrupt, &StopSignals::interrupted, this,
            [this] { finish(true, QStringLiteral("interrupted")); });
    GlobalHotkey stopKey(QKeySequence(Qt::Key_F8), true);
    stopKey.setAnyModifiers(true);  // the flow may hold Shift or Ctrl down
    connect(&stopKey, &GlobalHotkey::activated, this,
            [this] { finish(true, QStringLiteral("stopped with F8")); });

    m_out << QStringLiteral("playing \"%1\": %2 steps%3")
                 .arg(m_flow->name())
                 .arg(count)
                 .arg(stopKey.isRegistered() ? QStringLiteral(" (F8 or Ctrl+C stops)")
                                             : QStringLiteral(" (Ctrl+C stops)"))
          << Qt::endl;
    m_clock.start();
    if (!m_runner.start(*m_flow)) {
        m_out << "flowctl: a run is already in progress in this process" << Qt::endl;
        return 1;
    }
    QCoreApplication::exec();
    return m_exitCode;
}

void FlowPlayer::finish(bool interrupted, const QString& why) {
    if (m_finished) return;
    m_finished = true;
    m_runner.stop();  // joins the worker; releases what an interrupted run left pressed
    QCoreApplication::processEvents();  // print the steps still queued
    const double seconds = m_clock.nsecsElapsed() / 1e9;
    const int count = m_flow->operationCount();
    if (interrupted) {
        m_out << QStringLiteral("%1 after %2 of %3 steps in %4 s; keys and buttons released")
                     .arg(why)
                     .arg(m_stepsStarted)
                     .arg(count)
                     .arg(seconds, 0, 'f', 3)
              << Qt::endl;
        m_exitCode = 130;
    } else {
        m_out << QStringLiteral("done: %1 steps in %2 s").arg(count).arg(seconds, 0, 'f', 3)
              << Qt::endl;
    }
    QCoreApplication::exit(m_exitCode);
}
