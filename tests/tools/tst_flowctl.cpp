// flowctl as a user runs it: files made byte by byte here (not by our writer), dumped to
// JSON, built back, and every refusal with its exit status and message.
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "support/FlowBytes.h"

namespace {
struct Result {
    int exitCode;  // -1: not started, -2: crashed or killed after 20 s
    QByteArray out, err;
};

// Runs flowctl, or with `wrapper` the command that then runs it (another user, a sandbox).
Result flowctl(const QStringList& args, QStringList wrapper = {}) {
    QProcess p;
    wrapper << QStringLiteral(FLOWCTL_PATH) << args;
    p.start(wrapper.takeFirst(), wrapper);
    if (!p.waitForFinished(20000)) {
        p.kill();  // then reported as crashed
        p.waitForFinished();
    }
    if (p.error() == QProcess::FailedToStart)
        return {-1, {}, "cannot start " + p.program().toUtf8()};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

const QString kTime = QStringLiteral("2024-05-01 08:00:00");

// A flow in JSON with empty header fields and the given operations.
QByteArray flowJson(const QByteArray& operations) {
    return R"({"name": "", "description": "", "hotkey": "", "createTime": "", )"
           R"("lastModifiedTime": "", "operations": [)" +
           operations + "]}";
}
QByteArray textFlowJson(int textSize) {
    return flowJson(R"({"type": "text_input", "interval": 1, "text": ")" +
                    QByteArray(textSize, 'x') + "\"}");
}

// Mounts a 64 KiB filesystem on $1 in the caller's own mount namespace, fills it up to
// $5 KiB, and lets flowctl ($2) build $3 over the flow copied there from $4.
const char* const kFullDiskScript = R"(
mount -t tmpfs -o size=64k flowsmith-test "$1" || exit 77
cp "$4/old.flow" "$1/x.flow"
dd if=/dev/zero of="$1/fill" bs=4096 2>/dev/null
truncate -s -"$5"K "$1/fill"
"$2" build "$3" "$1/x.flow"
status=$?
cp "$1/x.flow" "$4/after.flow"
ls -A "$1" > "$4/listing"
exit $status
)";

}  // namespace

class TestFlowctl : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        return FlowBytes::writeFile(path(name), bytes) ? path(name) : QString();
    }
    static QByteArray read(const QString& file) { return FlowBytes::readFile(file); }

private slots:
    void initTestCase() {
        qunsetenv("DISPLAY");  // record and play must refuse before they need a desktop
        QVERIFY(mkfifo(qPrintable(path("fifo")), 0600) == 0);
    }

    // Bytes dumped and built back are the same bytes; a file written by hand also dumps as
    // the JSON it was made from: modifiers by name, a bit without a name as a number.
    void roundTripIsByteExact_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("json");  // the dump, when given
        FlowBytes every;  // with null header fields and texts, escapes, lone surrogates
        every.header("流程\n第二行", QString(), "Ctrl+F9", kTime, QString(), 8);
        every.str("key_input").ints({10, 2}).str("A").ints({0x0C000000});
        every.str("key_input").ints({0, 7}).str("").ints({0x22000000});  // keypad bit, odd event
        every.str("mouse_click").ints({-1, -5, 7, 1, 2});
        every.str("mouse_move").ints({2147483647, -2147483647 - 1, 0});
        every.str("text_input").ints({120}).str(QString::fromUtf8("你好 \"q\" \\ 😀\t"));
        every.str("text_input").ints({50}).str(QString()).str("text_input").ints({50}).str("");
        every.str("text_input").ints({1}).str(QString(QChar(0xD800)) + "x" + QChar(0xDC00));
        QTest::newRow("every kind") << every.bytes() << QByteArray();
        FlowBytes hand;
        hand.header("n", "", QString(), kTime, kTime, 2).str("mouse_move").ints({50, 100, 200});
        hand.str("key_input").ints({10, 2}).str("A").ints({0x02000000 | 0x04000000 | 0x20000000});
        QTest::newRow("written by hand")
            << hand.bytes() << QByteArray(R"({"name": "n", "description": "", "hotkey": null,
            "createTime": "2024-05-01 08:00:00", "lastModifiedTime": "2024-05-01 08:00:00",
            "operations": [{"type": "mouse_move", "interval": 50, "position": {"x": 100, "y": 200}},
                {"type": "key_input", "interval": 10, "eventType": 2, "key": "A",
                 "modifiers": ["Shift", "Ctrl", 536870912]}]})");
    }
    void roundTripIsByteExact() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, json);
        const Result dumped = flowctl({"dump", write("original.flow", file)});
        QVERIFY2(dumped.exitCode == 0 && dumped.err.isEmpty(), dumped.err.constData());
        if (!json.isEmpty())
            QCOMPARE(QJsonDocument::fromJson(dumped.out), QJsonDocument::fromJson(json));
        const Result built = flowctl({"build", write("dump.json", dumped.out), path("again.flow")});
        QVERIFY2(built.exitCode == 0, built.err.constData());
        QCOMPARE(read(path("again.flow")).toHex(), file.toHex());
    }

    // Each refusal: its exit status, what it says, and nothing written. In the arguments
    // "@" is a file holding the input, "~" the test's folder. The flow file's own tests
    // hold the reader to each kind of damage; here it is the exit status that counts.
    void refusals_data() {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const auto row = [](const char* name, const char* arguments, const QByteArray& input,
                            int exitCode, const char* says) {
            QTest::newRow(name) << arguments << input << exitCode << QString::fromUtf8(says);
        };
        const auto text = [](const char* operation) {
            return flowJson(R"({"type": "text_input", )" + QByteArray(operation) + "}");
        };
        row("no such file", "dump ~/missing.flow", {}, 1, "flowctl: 无法读取文件 ");
        row("a FIFO: no waiting for a writer", "dump ~/fifo", {}, 1, "flowctl: 无法读取文件 ");
        row("count beyond the records", "dump @",
            FlowBytes().header("", "", "", "", "", 2147483647).bytes(), 2,
            "ends before operation 1 of 2147483647");
        row("string length near 4 GiB", "dump @",
            FlowBytes().u32(FlowBytes::kMagic).u32(0xFFFFFFF0).bytes(), 2, "header");
        row("not JSON", "build @ ~/keep.flow", "{", 1, "not valid JSON");
        row("missing name", "build @ ~/keep.flow", R"({"operations": []})", 1, "name: missing");
        row("interval beyond 32 bits", "build @ ~/keep.flow",
            text(R"("interval": 4294967296, "text": null)"), 1, "operations[0].interval");
        row("fractional coordinate", "build @ ~/keep.flow",
            flowJson(R"({"type": "mouse_move", "interval": 1, "position": {"x": 1.5, "y": 2}})"), 1,
            "operations[0].position.x");
        row("unknown modifier", "build @ ~/keep.flow",
            flowJson(R"({"type": "key_input", "interval": 1, "eventType": 0, "key": "A", )"
                     R"("modifiers": ["Hyper"]})"),
            1, "operations[0].modifiers[0]");
        row("misspelt field", "build @ ~/keep.flow", text(R"("intervall": 1, "text": "")"), 1,
            "operations[0].intervall: unknown field");
        row("unwritable target", "build @ ~/no/dir/x.flow", flowJson(""), 1, "无法写入文件");
        row("record, no desktop", "record ~/r.flow", {}, 3, "DISPLAY");
        row("record, unwritable", "record ~/no/dir/r.flow", {}, 1, "cannot write");
        row("record, bad moves", "record ~/r.flow --moves 0", {}, 64, "--moves off|MS");
        const QByteArray oneMove =
            FlowBytes().header("", "", "", "", "", 1).str("mouse_move").ints({1, 1, 1}).bytes();
        row("negative repeat", "play @ --repeat -1", oneMove, 64, "--repeat");
        row("speed too low", "play @ --speed 0.05", oneMove, 64, "0.1 to 10");
        row("speed too high", "play @ --speed 10.5", oneMove, 64, "0.1 to 10");
        row("speed nan", "play @ --speed nan", oneMove, 64, "0.1 to 10");
        row("past the last row", "play @ --from 2", oneMove, 64, "last step is 1");
        row("no value", "play @ --speed", oneMove, 64, "needs a value");
        row("unknown option", "play @ --fast", oneMove, 64, "unknown option");
        row("every limit accepted, then no desktop", "play @ --repeat 0 --speed 10 --from 1",
            oneMove, 3, "DISPLAY");
        row("help on nonsense", "help nonsense", {}, 64, "");
        row("no file", "dump", {}, 64, "");
    }
    void refusals() {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, input);
        write("keep.flow", "previous content");
        QStringList args = arguments.replace('~', m_dir.path()).split(' ');
        args.replaceInStrings(QRegularExpression("^@$"), write("input", input));
        const Result r = flowctl(args);
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, says);
        QVERIFY2(QString::fromUtf8(r.err).contains(says), r.err.constData());
        QVERIFY(r.out.isEmpty());
        QCOMPARE(read(path("keep.flow")), QByteArray("previous content"));
        QVERIFY(!QFile::exists(path("r.flow")));
    }

    // On a real, nearly full filesystem: the old file stays whole and the message says why.
    void buildOnANearlyFullDisk_data() {
        QTest::addColumn<int>("freeKiB");
        QTest::addColumn<int>("textSize");  // characters in the flow's one text step
        QTest::newRow("full: not a byte of the new file fits") << 0 << 100;
        QTest::newRow("room for the first 4 KiB of 12") << 4 << 6000;
        QTest::newRow("room enough") << 16 << 100;
    }
    void buildOnANearlyFullDisk() {
        QFETCH(int, freeKiB);
        QFETCH(int, textSize);
        const QString json = write("disk.json", textFlowJson(textSize));
        QCOMPARE(flowctl({"build", json, path("expected.flow")}).exitCode, 0);
        const QByteArray old = FlowBytes().header("", "", "", "", "", 0).bytes();
        write("old.flow", old);
        QVERIFY(QDir(m_dir.path()).mkpath("disk"));
        // A private mount namespace: as root directly, otherwise as root of a user namespace.
        const QStringList sandbox = geteuid() == 0 ? QStringList{"unshare", "-m"}
                                                   : QStringList{"unshare", "-U", "-r", "-m"};
        const Result r = flowctl(
            {}, sandbox + QStringList{"sh", "-c", kFullDiskScript, "sh", path("disk"), FLOWCTL_PATH,
                                      json, m_dir.path(), QString::number(freeKiB)});
        if (r.exitCode == 77 || r.err.startsWith("unshare:") || r.err.startsWith("cannot start"))
            QSKIP(qPrintable("cannot mount a small filesystem here: " + r.err));
        const bool fits = freeKiB == 16;
        QCOMPARE(r.exitCode, fits ? 0 : 1);
        QCOMPARE(read(path("after.flow")), fits ? read(path("expected.flow")) : old);
        QCOMPARE(read(path("listing")), QByteArray("fill\nx.flow\n"));  // nothing left beside it
        QCOMPARE(r.err.contains("无法写入文件") && r.err.contains("No space left on device"),
                 !fits);
    }

    // A file the user may write in a folder that refuses new files is written in place,
    // keeping its owner and permissions.
    void buildWhereTheFolderRefusesNewFiles() {
        const QString json = write("folder.json", textFlowJson(10));
        QCOMPARE(flowctl({"build", json, path("expected.flow")}).exitCode, 0);
        const QString folder = path("refusing");
        QVERIFY(QDir().mkpath(folder));
        const QString file = write("refusing/x.flow", "old content");
        QVERIFY(chmod(qPrintable(file), 0646) == 0);
        QVERIFY(chmod(qPrintable(folder), 0555) == 0);
        QVERIFY(chmod(qPrintable(m_dir.path()), 0755) == 0);  // reachable by that user
        const QFileInfo before(file);
        // Root writes anywhere; the program runs as an unprivileged user instead.
        const Result r = flowctl({"build", json, file},
                                 geteuid() ? QStringList()
                                           : QStringList{"setpriv", "--reuid=nobody",
                                                         "--regid=nogroup", "--clear-groups"});
        chmod(qPrintable(folder), 0755);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(read(file), read(path("expected.flow")));
        QCOMPARE(QFileInfo(file).permissions(), before.permissions());
        QCOMPARE(QFileInfo(file).ownerId(), before.ownerId());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"x.flow"});
    }
};

QTEST_GUILESS_MAIN(TestFlowctl)
#include "tst_flowctl.moc"
