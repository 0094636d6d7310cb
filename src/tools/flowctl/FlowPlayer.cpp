#include "tools/flowctl/FlowPlayer.h"

#include <QCoreApplication>
#include <QKeySequence>

#include "model/Flow.h"
#include "model/Operation.h"
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

FlowPlayer::FlowPlayer(Flow* flow, const RunOptions& options, QTextStream& out, QObject* parent)
    : QObject(parent), m_flow(flow), m_options(options), m_out(out) {}

bool FlowPlayer::parseArguments(const QStringList& args, QString* file, RunOptions* options,
                                QString* error) {
    error->clear();
    file->clear();
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!arg.startsWith(QLatin1String("--"))) {
            if (!file->isEmpty()) return false;
            *file = arg;
            continue;
        }
        const bool known = arg == QLatin1String("--repeat") || arg == QLatin1String("--speed") ||
                           arg == QLatin1String("--from");
        if (!known || i + 1 == args.size()) {
            *error = known ? arg + QStringLiteral(" needs a value")
                           : QStringLiteral("unknown option ") + arg;
            return false;
        }
        const QString value = args.at(++i);
        bool ok = false;
        if (arg == QLatin1String("--repeat")) {
            options->repeat = value.toInt(&ok);
            if (!ok || options->repeat < 0) {
                *error = QStringLiteral(
                             "--repeat takes a whole number of passes, 0 or more "
                             "(0: until stopped), not \"%1\"")
                             .arg(value);
                return false;
            }
        } else if (arg == QLatin1String("--speed")) {
            options->speed = value.toDouble(&ok);
            if (!ok || !(options->speed >= RunOptions::kMinSpeed &&
                         options->speed <= RunOptions::kMaxSpeed)) {
                *error = QStringLiteral("--speed takes a number from %1 to %2, not \"%3\"")
                             .arg(RunOptions::kMinSpeed)
                             .arg(RunOptions::kMaxSpeed)
                             .arg(value);
                return false;
            }
        } else {
            options->fromRow = value.toInt(&ok);
            if (!ok || options->fromRow < 1) {
                *error = QStringLiteral("--from takes a row number from 1, not \"%1\"").arg(value);
                return false;
            }
        }
    }
    return !file->isEmpty();
}

int FlowPlayer::play() {
    const int count = m_flow->operationCount();
    const bool repeating = m_options.repeat != 1;
    connect(
        &m_runner, &FlowRunner::sigPassStarted, this, [this](int pass) { m_pass = pass; },
        Qt::QueuedConnection);
    connect(
        &m_runner, &FlowRunner::sigStepStarted, this,
        [this, repeating](int index, int total, const QString& text) {
            ++m_stepsStarted;
            if (repeating)
                m_out << (m_options.repeat == 0
                              ? QStringLiteral("[pass %1] ").arg(m_pass)
                              : QStringLiteral("[pass %1/%2] ").arg(m_pass).arg(m_options.repeat));
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

    QString how;
    if (m_options.fromRow != 1) how += QStringLiteral(" from row %1").arg(m_options.fromRow);
    if (m_options.repeat == 0) how += QStringLiteral(", repeated until stopped");
    if (m_options.repeat > 1) how += QStringLiteral(", %1 passes").arg(m_options.repeat);
    if (m_options.speed != 1.0) how += QStringLiteral(" at speed %1").arg(m_options.speed);
    m_out << QStringLiteral("playing \"%1\": %2 steps%3%4")
                 .arg(m_flow->name())
                 .arg(count)
                 .arg(how)
                 .arg(stopKey.isRegistered() ? QStringLiteral(" (F8 or Ctrl+C stops)")
                                             : QStringLiteral(" (Ctrl+C stops)"))
          << Qt::endl;
    m_clock.start();
    QString whyNot;
    if (!m_runner.start(FlowRunner::snapshot(*m_flow), m_options, &whyNot)) {
        m_out << "flowctl: " << whyNot << Qt::endl;
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
    const int perPass = m_flow->operationCount() - m_options.fromRow + 1;
    // Steps over all passes; an endless run has no total.
    const QString total = m_options.repeat == 0
                              ? QString()
                              : QStringLiteral(" of %1").arg(qint64(perPass) * m_options.repeat);
    const QString passes =
        m_options.repeat == 1 ? QString() : QStringLiteral(" (pass %1)").arg(m_pass);
    if (interrupted) {
        m_out << QStringLiteral("%1 after %2%3 steps%4 in %5 s; keys and buttons released")
                     .arg(why)
                     .arg(m_stepsStarted)
                     .arg(total, passes)
                     .arg(seconds, 0, 'f', 3)
              << Qt::endl;
        m_exitCode = 130;
    } else {
        m_out << QStringLiteral("done: %1 steps%2 in %3 s")
                     .arg(m_stepsStarted)
                     .arg(m_pass > 1 ? QStringLiteral(" (%1 passes)").arg(m_pass) : QString())
                     .arg(seconds, 0, 'f', 3)
              << Qt::endl;
    }
    QCoreApplication::exit(m_exitCode);
}
