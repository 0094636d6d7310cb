// flowctl: the command-line companion of the designer. It reads and writes flow
// files through the same Flow::load and Flow::save, and replays them on the desktop.
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "model/ErrorPresenter.h"
#include "model/Flow.h"
#include "model/FlowJson.h"
#include "model/OperationFactory.h"
#include "platform/InputBackend.h"
#include "platform/Platform.h"
#include "tools/flowctl/FlowPlayer.h"
#include "tools/flowctl/FlowRecorder.h"

namespace {

enum ExitCode { Ok = 0, CannotRead = 1, BadContent = 2, NoDesktop = 3, Usage = 64 };

const char* const kUsage =
    "usage: flowctl <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  dump FILE              print the flow in FILE as JSON\n"
    "  build JSON_FILE FILE   write the flow described by JSON_FILE to FILE\n"
    "  play FILE [--repeat N] [--speed F] [--from ROW]\n"
    "                         replay the flow in FILE on the desktop\n"
    "  record FILE [--moves off|MS]\n"
    "                         record keys and clicks on the desktop into FILE until F9\n"
    "  help [COMMAND]         explain a command\n"
    "\n"
    "options:\n"
    "  -v, --verbose          also print the program's log lines on stderr\n";

QString helpFor(const QString& command) {
    if (command == QLatin1String("dump"))
        return QStringLiteral(
            "usage: flowctl dump FILE\n\n"
            "Prints the flow as JSON on stdout: name, description, hotkey, createTime,\n"
            "lastModifiedTime and the operations in order. A string the file stores as null\n"
            "is printed as null, an empty one as \"\". Modifiers are listed by name (Shift,\n"
            "Ctrl, Alt, Win); any other bits stored in the file follow as one number.\n\n"
            "Exit status: 0 printed; 1 the file cannot be read; 2 it is not a flow file\n"
            "(wrong head, unknown operation type, cut short). On failure nothing is printed\n"
            "on stdout and the reason goes to stderr.\n");
    if (command == QLatin1String("build"))
        return QStringLiteral(
            "usage: flowctl build JSON_FILE FLOW_FILE\n\n"
            "Writes the flow described by JSON_FILE (the format that dump prints) to\n"
            "FLOW_FILE, replacing it only once the new file is complete. Building the dump\n"
            "of a flow file gives back the same bytes.\n\n"
            "Exit status: 0 written; 1 the JSON cannot be read or does not fit the format\n"
            "(the message names the field), or FLOW_FILE cannot be written. Nothing is\n"
            "written on failure.\n");
    if (command == QLatin1String("play"))
        return QStringLiteral(
            "usage: flowctl play FILE [--repeat N] [--speed F] [--from ROW]\n\n"
            "Replays the flow on the desktop (X11), printing each step as it starts\n"
            "and a summary at the end. Ctrl+C stops it, and so does F8 when no other\n"
            "program holds that key; keys and buttons the flow pressed are released.\n\n"
            "  --repeat N    go through the flow N times (default 1); 0 repeats it until\n"
            "                stopped. Each step's line then starts with its pass.\n"
            "  --speed F     divide every step's wait by F, from 0.1 to 10 (default 1)\n"
            "  --from ROW    start at step ROW (1-based), in every pass\n\n"
            "Exit status: 0 the flow ran to its end; 1 or 2 the file cannot be loaded (as\n"
            "for dump); 3 there is no desktop to replay on, or it went away during the\n"
            "replay; 64 an option's value is out of range; 130 stopped before the end.\n");
    if (command == QLatin1String("record"))
        return QStringLiteral(
            "usage: flowctl record FILE [--moves off|MS]\n\n"
            "Records what you type and click on the desktop (X11) until you press F9 or\n"
            "Ctrl+C, then writes it to FILE as a new flow (replacing FILE only once the new\n"
            "file is complete) and prints how many steps it holds. F9 itself is not\n"
            "recorded. Each step waits as long as you did before it; characters typed one\n"
            "after another become one text step, a click a move to its point and a click,\n"
            "two quick clicks one double click. --moves MS also keeps the pointer's path\n"
            "between clicks, one move at most every MS milliseconds (default: off).\n"
            "What a flow cannot hold (drags, the wheel, side buttons) is counted in the\n"
            "summary. Text from an input method is recorded as the keys pressed.\n\n"
            "Exit status: 0 written; 1 FILE cannot be written (checked before recording\n"
            "starts); 3 there is no desktop to record on.\n");
    return QString();
}

// File errors go to stderr, in the words the designer would show.
class StderrPresenter : public ErrorPresenter {
public:
    explicit StderrPresenter(QTextStream& err) : m_err(err) {}
    void showWarning(const QString&, const QString& text) override {
        m_err << "flowctl: " << text << Qt::endl;
    }

private:
    QTextStream& m_err;
};

int loadFailure(const Flow& flow, QTextStream& err) {
    // An unreadable file was already reported through the presenter.
    if (flow.lastFailure() == Flow::Failure::CannotOpen) return CannotRead;
    err << "flowctl: " << flow.lastError() << Qt::endl;
    return BadContent;
}

int dump(const QString& path, QTextStream& out, QTextStream& err) {
    Flow flow;
    if (!flow.load(path)) return loadFailure(flow, err);
    out.flush();
    QFile stdoutFile;
    stdoutFile.open(stdout, QIODevice::WriteOnly);
    stdoutFile.write(FlowJson::write(flow));
    return Ok;
}

int build(const QString& jsonPath, const QString& flowPath, QTextStream& err) {
    QFile json(jsonPath);
    if (!json.open(QIODevice::ReadOnly)) {
        err << "flowctl: cannot read " << jsonPath << ": " << json.errorString() << Qt::endl;
        return CannotRead;
    }
    Flow flow;
    QString error;
    if (!FlowJson::read(json.readAll(), &flow, &error)) {
        err << "flowctl: " << jsonPath << ": " << error << Qt::endl;
        return CannotRead;
    }
    return flow.save(flowPath) ? Ok : CannotRead;
}

int play(const QString& path, const RunOptions& options, QTextStream& out, QTextStream& err) {
    Flow flow;
    if (!flow.load(path)) return loadFailure(flow, err);
    if (options.fromRow > std::max(flow.operationCount(), 1)) {
        err << "flowctl: --from " << options.fromRow << ": the flow's last step is "
            << flow.operationCount() << Qt::endl;
        return Usage;
    }
    if (!Platform::input().isAvailable()) {
        err << "flowctl: cannot replay: " << Platform::input().unavailableReason() << Qt::endl;
        return NoDesktop;
    }
    // A vanished X server ends the process inside Xlib, which would exit with 1, the
    // status of a file error; it ends as a missing desktop does, and says so.
    Platform::setDisplayLostHandler([] {
        std::fputs("flowctl: lost the connection to the X display; the replay stopped\n", stderr);
        std::fflush(stderr);
        std::_Exit(NoDesktop);
    });
    FlowPlayer player(&flow, options, out);
    return player.play();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    QStringList args = app.arguments().mid(1);
    const bool verbose =
        args.removeAll(QStringLiteral("-v")) + args.removeAll(QStringLiteral("--verbose")) > 0;
    // The program's own log lines are for the designer's log file; flowctl reports
    // in its own words unless asked to show them.
    if (!verbose) QLoggingCategory::setFilterRules(QStringLiteral("tapwise=false"));

    StderrPresenter presenter(err);
    ErrorPresenter::install(&presenter);
    OperationFactory::registerStandardOperations();

    const QString command = args.value(0);
    if (command.isEmpty() || command == QLatin1String("--help") || command == QLatin1String("-h") ||
        (command == QLatin1String("help") && args.size() == 1)) {
        out << kUsage;
        return command.isEmpty() ? Usage : Ok;
    }
    if (command == QLatin1String("help")) {
        const QString text = helpFor(args.at(1));
        if (text.isEmpty()) {
            err << "flowctl: no such command: " << args.at(1) << "\n" << kUsage;
            return Usage;
        }
        out << text;
        return Ok;
    }
    if (command == QLatin1String("dump") && args.size() == 2) return dump(args.at(1), out, err);
    if (command == QLatin1String("build") && args.size() == 3)
        return build(args.at(1), args.at(2), err);
    if (command == QLatin1String("play")) {
        QString file;
        RunOptions options;
        QString error;
        if (FlowPlayer::parseArguments(args.mid(1), &file, &options, &error))
            return play(file, options, out, err);
        if (!error.isEmpty()) {
            err << "flowctl: " << error << "\n\n" << helpFor(command);
            return Usage;
        }
    }
    if (command == QLatin1String("record") &&
        (args.size() == 2 || (args.size() == 4 && args.at(2) == QLatin1String("--moves")))) {
        const int moves = args.size() == 4 ? FlowRecorder::parseMoves(args.at(3)) : 0;
        if (moves >= 0) return FlowRecorder(args.at(1), moves, out, err).record();
    }

    const QString text = helpFor(command);
    err << "flowctl: "
        << (text.isEmpty() ? QStringLiteral("unknown command: ") + command + "\n\n" + kUsage
                           : QStringLiteral("wrong arguments\n\n") + text);
    err.flush();
    return Usage;
}
