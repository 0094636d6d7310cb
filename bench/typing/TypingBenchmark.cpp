// Types a long ASCII text and a long Chinese text into the Qt receiving window,
// once with our X11 backend and once with `xdotool type --delay 0`, and prints
// characters per second and characters lost or wrong for each.
// Run under an X server, e.g.: xvfb-run -a -s "-screen 0 1366x768x24" bench_typing
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <vector>

#include "model/TextInputOperation.h"
#include "platform/InputBackend.h"
#include "platform/Platform.h"
#include "platform/x11/X11InputBackend.h"
#include "support/ClientProcess.h"
#include "support/TestDesktop.h"

namespace {

QString asciiText(int length) {
    // Letters, digits, shifted and unshifted punctuation and spaces, in a fixed order.
    QRandomGenerator random(20261206);
    QString text;
    for (int i = 0; i < length; ++i) text.append(QChar(char16_t(0x20 + random.bounded(0x5f))));
    return text;
}

QString chineseText(int length) {
    // 300 common characters; a fixed shuffle of them with repeats.
    static const QString pool = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下"
        "过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都"
        "两"
        "体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新"
        "线内"
        "数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并"
        "提直"
        "题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计"
        "别她"
        "手角期根论运农指几九区强放决西被干做必战先回则任取据处队南给色光门即保治北造百规热领七海口"
        "东导");
    QRandomGenerator random(4711);
    QString text;
    for (int i = 0; i < length; ++i) text.append(pool.at(random.bounded(pool.size())));
    return text;
}

// Edit distance in characters (code points): the characters lost, added or wrong.
int errors(const QString& expected, const QString& got) {
    const QVector<uint> a = expected.toUcs4(), b = got.toUcs4();
    std::vector<int> prev(b.size() + 1), cur(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j) prev[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (int j = 1; j <= b.size(); ++j)
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

int distinct(const QString& text) {
    const QVector<uint> points = text.toUcs4();
    return QSet<uint>(points.begin(), points.end()).size();
}

struct Result {
    double sendSeconds = 0;  // until the typing call returned
    double seconds = 0;      // until the last character arrived
    int received = 0;
    int wrong = 0;
};

class Bench {
public:
    bool start(const QString& receiverPath, bool tail) {
        if (!m_desktop.isOpen()) {
            std::fprintf(stderr, "no X display\n");
            return false;
        }
        QStringList args{QStringLiteral("--area"), QStringLiteral("20,20,1300,60")};
        if (tail) args << QStringLiteral("--tail");
        if (!m_receiver.start(receiverPath, args)) {
            std::fprintf(stderr, "cannot start %s\n", qPrintable(receiverPath));
            return false;
        }
        m_window = m_receiver.readyFields().value(4).toULong();
        return true;
    }

    QString text() {
        m_receiver.send("text");
        return QString::fromUtf8(
            QByteArray::fromHex(m_receiver.waitForLine("text ", 10000).mid(5)));
    }

    // Types with `type`, then waits until the text is complete or has stopped
    // changing; the time runs until the last change arrived.
    template <typename Typer>
    Result measure(const QString& expected, Typer type) {
        m_desktop.setFocus(m_window);
        m_receiver.send("clear");
        m_receiver.waitForLine("cleared");
        QElapsedTimer clock;
        clock.start();
        type();
        const qint64 sent = clock.nsecsElapsed();
        QString last;
        qint64 lastChange = clock.nsecsElapsed();
        QElapsedTimer still;
        still.start();
        for (;;) {
            const QString now = text();
            if (now != last) {
                last = now;
                lastChange = clock.nsecsElapsed();
                still.restart();
            }
            if (last == expected || still.elapsed() > 2000) break;
            QThread::msleep(10);
        }
        Result r;
        r.sendSeconds = sent / 1e9;
        r.seconds = lastChange / 1e9;
        r.received = last.toUcs4().size();
        r.wrong = errors(expected, last);
        return r;
    }

private:
    TestDesktop m_desktop;
    ClientProcess m_receiver;
    unsigned long m_window = 0;
};

void report(const char* who, const char* what, int length, const Result& r) {
    std::printf(
        "%-9s %-8s %6d chars  sent in %7.3f s  arrived in %7.3f s  %8.1f chars/s  "
        "received %6d  lost or wrong %5d\n",
        who, what, length, r.sendSeconds, r.seconds, length / r.seconds, r.received, r.wrong);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Options: --receiver PATH, and for measuring what clients need when the keymap
    // changes: --settle-us N (time given to clients), --guard-ms N (rest of a spare
    // keycode before it is bound anew), --only-chinese.
    QString receiverPath = QStringLiteral(FLOWSMITH_TEXT_RECEIVER);
    const QStringList args = app.arguments();
    const auto option = [&](const char* name) {
        const int at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : QString();
    };
    if (!option("--receiver").isEmpty()) receiverPath = option("--receiver");
    const bool onlyChinese = args.contains(QStringLiteral("--only-chinese"));
    if (auto* x11 = dynamic_cast<X11InputBackend*>(&Platform::input())) {
        if (!option("--settle-us").isEmpty())
            x11->setKeymapSettleTime(std::chrono::microseconds(option("--settle-us").toInt()));
        if (!option("--guard-ms").isEmpty())
            x11->setSpareReuseGuard(std::chrono::milliseconds(option("--guard-ms").toInt()));
        std::printf("spare keycodes: %d\n", x11->spareKeycodeCount());
    }

    if (!Platform::input().isAvailable()) {
        std::fprintf(stderr, "%s\n", qPrintable(Platform::input().unavailableReason()));
        return 1;
    }
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));

    const struct {
        const char* name;
        QString text;
    } texts[] = {{"ASCII", asciiText(5000)}, {"Chinese", chineseText(500)}};
    std::printf("Chinese text: %d distinct characters\n", distinct(texts[1].text));

    // A plain text field slows down as its line grows; the tail field costs the
    // same for every key, so it shows how fast typing itself is.
    for (bool tail : {false, true}) {
        std::printf("\nreceiving window: %s\n", tail ? "text field showing the tail of the text"
                                                     : "text field holding the whole text");
        Bench bench;
        if (!bench.start(receiverPath, tail)) return 1;
        for (const auto& t : texts) {
            if (onlyChinese && t.text.at(0).unicode() < 0x80) continue;
            const int length = t.text.toUcs4().size();
            const Result ours = bench.measure(t.text, [&] {
                TextInputOperation op;
                op.setText(t.text);
                op.execute();
            });
            report("flowsmith", t.name, length, ours);
            if (xdotool.isEmpty()) {
                std::printf("xdotool  not installed\n");
                continue;
            }
            const Result theirs = bench.measure(t.text, [&] {
                QProcess::execute(xdotool, {QStringLiteral("type"), QStringLiteral("--delay"),
                                            QStringLiteral("0"), t.text});
            });
            report("xdotool", t.name, length, theirs);
        }
    }
    return 0;
}
