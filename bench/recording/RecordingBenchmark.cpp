// Records synthetic input for a while and prints what it cost and whether anything was
// lost: a second process sends keys, clicks and pointer motion through XTest at a steady
// rate while this one records with the desktop's recorder, as flowctl record does.
// Run under an X server, e.g.:
//   xvfb-run -a -s "-screen 0 1366x768x24" bench_recording [--seconds 60] [--rate 500]
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <thread>

#include "model/RecordingSession.h"
#include "platform/InputRecorder.h"
#include "platform/Platform.h"

// Xlib last: its macros (Bool, Status, ...) clash with Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

// Sends `rate` events a second for `seconds`, a fixed cycle of ten: six motions (each to
// a new pixel), a key press and release, a button press and release. Prints the counts.
int send(int seconds, int rate) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    const KeyCode key = XKeysymToKeycode(dpy, XK_a);
    long motions = 0, keys = 0, buttons = 0;
    const auto step = std::chrono::nanoseconds(1000000000LL / rate);
    auto next = std::chrono::steady_clock::now();
    for (long i = 0; i < long(seconds) * rate; ++i) {
        switch (i % 10) {
            case 3:
            case 5:
                XTestFakeKeyEvent(dpy, key, i % 10 == 3, CurrentTime);
                ++keys;
                break;
            case 7:
            case 9:
                XTestFakeButtonEvent(dpy, Button1, i % 10 == 7, CurrentTime);
                ++buttons;
                break;
            default:
                XTestFakeMotionEvent(dpy, -1, 300 + int(i % 200), 300 + int(i % 7), CurrentTime);
                ++motions;
        }
        XFlush(dpy);
        next += step;
        std::this_thread::sleep_until(next);
    }
    XSync(dpy, False);
    XCloseDisplay(dpy);
    std::printf("%ld %ld %ld\n", motions, keys, buttons);
    return 0;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// A line of /proc/self/status in kB, e.g. VmRSS or VmHWM.
long memoryKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field) + 1).simplified().split(' ')[0].toLong();
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&](const char* name, int fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 ? args.value(at + 1).toInt() : fallback;
    };
    const int seconds = option("--seconds", 60), rate = option("--rate", 500);
    if (args.contains(QStringLiteral("--send"))) return send(seconds, rate);

    InputRecorder& recorder = Platform::inputRecorder();
    if (!recorder.isAvailable()) {
        std::fprintf(stderr, "bench_recording: %s\n", qPrintable(recorder.unavailableReason()));
        return 3;
    }
    RecordingSession session(&recorder);
    session.setStopKey(0);
    const long rssBefore = memoryKb("VmRSS:");
    QString error;
    if (!session.start(&error)) {
        std::fprintf(stderr, "bench_recording: %s\n", qPrintable(error));
        return 1;
    }
    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();

    QProcess sender;
    sender.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&sender, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), [&] {
        QTimer::singleShot(500, &app, &QCoreApplication::quit);  // let the last events arrive
    });
    sender.start(app.applicationFilePath(), {"--send", "--seconds", QString::number(seconds),
                                             "--rate", QString::number(rate)});
    app.exec();

    const double recordingCpu = cpuSeconds() - cpuBefore;
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const long rssRecording = memoryKb("VmRSS:");
    QElapsedTimer convert;
    convert.start();
    const RecordingResult result = session.stop();
    const double convertMs = convert.nsecsElapsed() / 1e6;
    convert.restart();
    const int steps = RecordingConverter(session.options()).countSteps(session.events());
    const double countMs = convert.nsecsElapsed() / 1e6;

    long got[3] = {};  // motions, keys, buttons
    for (const RecordedEvent& e : session.events()) {
        if (e.kind == RecordedEvent::Motion) ++got[0];
        if (e.kind == RecordedEvent::KeyDown || e.kind == RecordedEvent::KeyUp) ++got[1];
        if (e.kind == RecordedEvent::ButtonDown || e.kind == RecordedEvent::ButtonUp) ++got[2];
    }
    const QList<QByteArray> sent = sender.readAllStandardOutput().simplified().split(' ');
    std::printf("recorded %d s of input at %d events/s (%.1f s wall)\n", seconds, rate, elapsed);
    const char* kinds[] = {"motions", "key events", "button events"};
    long lost = 0;
    for (int k = 0; k < 3; ++k) {
        const long s = sent.value(k).toLong();
        lost += qAbs(s - got[k]);
        std::printf("  %-14s sent %7ld  recorded %7ld\n", kinds[k], s, got[k]);
    }
    std::printf("  events lost or extra: %ld\n", lost);
    std::printf("  CPU while recording: %.2f s (%.1f%% of one core)\n", recordingCpu,
                100 * recordingCpu / elapsed);
    std::printf("  memory: %ld kB resident before, %ld kB after recording, peak %ld kB\n",
                rssBefore, rssRecording, memoryKb("VmHWM:"));
    std::printf("  %d events -> %d steps: %.1f ms to make the operations, %.1f ms to count them\n",
                int(session.events().size()), int(result.operations.size()), convertMs, countMs);
    std::printf("  step count while recording agrees with the operations: %s\n",
                steps == int(result.operations.size()) ? "yes" : "NO");
    return 0;
}
