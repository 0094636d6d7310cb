// flowctl as a user runs it: files made byte by byte here (not by our writer), dumped to
// JSON, built back, and every failure path with its exit status.
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/FlowBytes.h"

namespace {
struct Result {
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// Runs flowctl, or with `wrapper` the command that then runs it (another user, a sandbox).
Result flowctl(const QStringList& args, QStringList wrapper = {}) {
    QProcess p;
    wrapper << QStringLiteral(FLOWCTL_PATH) << args;
    p.start(wrapper.takeFirst(), wrapper);
    if (!p.waitForFinished(20000)) {
        p.kill();
        return {-1,
                {},
                p.error() == QProcess::FailedToStart ? "cannot start " + p.program().toUtf8()
                                                     : "timed out"};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

const QString kTime = QStringLiteral("2024-05-01 08:00:00");

// A flow in JSON with empty header fields and the given operations.
QByteArray flowJson(const QByteArray& operations, const QByteArray& time = "") {
    return "{\"name\": \"\", \"description\": \"\", \"hotkey\": \"\", \"createTime\": \"" + time +
           "\", \"lastModifiedTime\": \"" + time + "\", \"operations\": [" + operations + "]}";
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

FlowBytes withCount(qint32 count) {
    return std::move(FlowBytes().header("", "", "", kTime, kTime, count));
}
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
    void roundTripIsByteExact_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("all null strings") << FlowBytes().header({}, {}, {}, {}, {}, 0).bytes();
        FlowBytes every;
        every.header("流程", "描述\n第二行", "Ctrl+F9", kTime, "2025-01-02 03:04:05", 5);
        every.str("key_input").ints({10, 2}).str("A").ints({0x0C000000});
        every.str("key_input").ints({0, 7}).str("").ints({0x22000000});  // keypad bit, odd event
        every.str("mouse_click").ints({-1, -5, 7, 1, 2});
        every.str("mouse_move").ints({2147483647, -2147483647 - 1, 0});
        every.str("text_input").ints({120}).str(QString::fromUtf8("你好 \"q\" \\ 😀\t"));
        QTest::newRow("every kind") << every.bytes();
        FlowBytes texts = withCount(3);
        texts.str("text_input").ints({50}).str(QString()).str("text_input").ints({50}).str("");
        texts.str("text_input").ints({1}).str(QString(QChar(0xD800)) + "x" + QChar(0xDC00));
        QTest::newRow("null and empty texts, lone surrogates") << texts.bytes();
    }
    void roundTripIsByteExact() {
        QFETCH(QByteArray, file);
        const Result dumped = flowctl({"dump", write("original.flow", file)});
        QCOMPARE(dumped.exitCode, 0);
        QVERIFY(dumped.err.isEmpty());
        const QString rebuilt = m_dir.filePath("rebuilt.flow");
        const Result built = flowctl({"build", write("dump.json", dumped.out), rebuilt});
        QVERIFY2(built.exitCode == 0, built.err.constData());
        QCOMPARE(FlowBytes::readFile(rebuilt).toHex(), file.toHex());
    }

    void dumpShowsModifiersByName() {
        FlowBytes bytes;
        bytes.header("n", "", QString(), kTime, kTime, 1).str("key_input").ints({10, 2}).str("A");
        const QString file = write("key.flow", bytes.ints({0x06000000 | 0x20000000}).bytes());
        const Result r = flowctl({"dump", file});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(r.out).object();
        QVERIFY(root.value("hotkey").isNull());
        const QJsonObject key = root.value("operations").toArray().at(0).toObject();
        // Shift (0x02000000) + Ctrl (0x04000000) by name, the keypad bit as a number.
        QCOMPARE(key.value("modifiers").toArray(), QJsonArray({"Shift", "Ctrl", 0x20000000}));
    }

    void buildWritesTheDocumentedExample() {
        const QString in = write(
            "example.json",
            flowJson(R"({"type": "mouse_move", "interval": 50, "position": {"x": 100, "y": 200}})",
                     kTime.toLatin1()));
        QCOMPARE(flowctl({"build", in, m_dir.filePath("example.flow")}).exitCode, 0);
        QCOMPARE(FlowBytes::readFile(m_dir.filePath("example.flow")).toHex(),
                 withCount(1).str("mouse_move").ints({50, 100, 200}).bytes().toHex());
    }

    void dumpFailures_data() {
        QTest::addColumn<QByteArray>("file");  // "missing": no such file; "fifo": a FIFO
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such file") << QByteArray("missing") << 1 << "flowctl: 无法读取文件 ";
        QTest::newRow("a FIFO nobody writes to: no waiting for a writer")
            << QByteArray("fifo") << 1 << "flowctl: 无法读取文件 ";
        QTest::newRow("empty file") << QByteArray() << 2 << "too short (0 bytes) to hold its head";
        QTest::newRow("head in little-endian order")
            << QByteArray::fromHex("79D8628E") + QByteArray(24, 0) << 2
            << "unknown file Head: 2044224142";
        QTest::newRow("unknown type")
            << withCount(1).str("bogus").bytes() << 2 << "unknown operation type: \"bogus\"";
        QTest::newRow("cut inside a record") << withCount(1).str("mouse_move").ints({50}).bytes()
                                             << 2 << "ends inside operation 1 of 1";
        QTest::newRow("count beyond the records")
            << withCount(2147483647).bytes() << 2 << "ends before operation 1 of 2147483647";
        QTest::newRow("string length near 4 GiB")
            << FlowBytes().u32(FlowBytes::kMagic).u32(0xFFFFFFF0).bytes() << 2 << "header";
        QTest::newRow("trailing bytes")
            << withCount(0).bytes() + "xyz" << 2 << "3 unexpected bytes";
    }
    void dumpFailures() {
        QFETCH(QByteArray, file);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QString path = m_dir.filePath(QString(file) + ".flow");
        if (file == "fifo") QVERIFY(mkfifo(qPrintable(path), 0600) == 0);
        if (file != "fifo" && file != "missing") path = write("bad.flow", file);
        const Result r = flowctl({"dump", path});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    }

    void buildRejectsWhatDoesNotFit_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        const auto row = [](const char* name, const QByteArray& json, const char* field) {
            QTest::newRow(name) << json << QString(field);
        };
        row("not JSON", "{", "not valid JSON");
        row("missing name", R"({"operations": []})", "name: missing");
        row("interval beyond 32 bits",
            flowJson(R"({"type": "text_input", "interval": 4294967296, "text": null})"),
            "operations[0].interval");
        row("fractional coordinate",
            flowJson(R"({"type": "mouse_move", "interval": 1, "position": {"x": 1.5, "y": 2}})"),
            "operations[0].position.x");
        row("unknown modifier",
            flowJson(R"({"type": "key_input", "interval": 1, "eventType": 0, "key": "A", )"
                     R"("modifiers": ["Hyper"]})"),
            "operations[0].modifiers[0]");
        row("misspelt field", flowJson(R"({"type": "text_input", "intervall": 1, "text": ""})"),
            "operations[0].intervall: unknown field");
        row("second operation broken",
            flowJson(R"({"type": "text_input", "interval": 1, "text": ""}, 5)"), "operations[1]");
        row("unwritable target", flowJson(""), "无法写入文件");
    }
    void buildRejectsWhatDoesNotFit() {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        const QString target = field == "无法写入文件" ? m_dir.filePath("no/such/dir/x.flow")
                                                       : write("keep.flow", "previous content");
        const Result r = flowctl({"build", write("bad.json", json), target});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(field), r.err.constData());
        if (QFile::exists(target))
            QCOMPARE(FlowBytes::readFile(target), QByteArray("previous content"));
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

    // A file the user may write in a folder that refuses new files (or the replacing of
    // another user's file) is written in place, keeping its owner and permissions.
    void buildWhereTheFolderRefusesNewFiles_data() {
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode");
        QTest::newRow("read-only folder") << 0555 << 0646;
        QTest::newRow("another user's file in a sticky folder") << 01777 << 0666;
    }
    void buildWhereTheFolderRefusesNewFiles() {
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        // Root writes anywhere; the program runs as an unprivileged user instead.
        const bool root = geteuid() == 0;
        if (!root && (folderMode & 01000)) QSKIP("needs root to make a file of another user");
        const QString json = write("folder.json", textFlowJson(10));
        QCOMPARE(flowctl({"build", json, path("expected.flow")}).exitCode, 0);
        const QString folder = path(QStringLiteral("refusing%1").arg(folderMode, 0, 8));
        QVERIFY(QDir().mkpath(folder));
        const QString file = write(QFileInfo(folder).fileName() + "/x.flow", "old content");
        QVERIFY(chmod(qPrintable(file), fileMode) == 0);
        QVERIFY(chmod(qPrintable(folder), folderMode) == 0);
        QVERIFY(chmod(qPrintable(m_dir.path()), 0755) == 0);  // reachable by that user
        const QFileInfo before(file);
        const Result r = flowctl(
            {"build", json, file},
            root ? QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"}
                 : QStringList{});
        chmod(qPrintable(folder), 0755);
        QVERIFY2(r.exitCode == 0, r.err.constData());
        QCOMPARE(read(file), read(path("expected.flow")));
        QCOMPARE(QFileInfo(file).permissions(), before.permissions());
        QCOMPARE(QFileInfo(file).ownerId(), before.ownerId());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"x.flow"});
    }

    // A recording that cannot work says so before the user starts: here with no display.
    void recordRefusesAtOnce_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("no desktop") << QStringList{"record", path("r.flow")} << 3 << "DISPLAY";
        QTest::newRow("unwritable")
            << QStringList{"record", path("no/dir/r.flow")} << 1 << "cannot write";
        QTest::newRow("bad moves")
            << QStringList{"record", path("r.flow"), "--moves", "0"} << 64 << "--moves off|MS";
    }
    void recordRefusesAtOnce() {
        QFETCH(QStringList, arguments);
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        const Result r = flowctl(arguments);
        qputenv("DISPLAY", display);
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, says);
        QVERIFY2(QString::fromUtf8(r.err).contains(says), r.err.constData());
        QVERIFY(!QFile::exists(arguments.at(1)));
    }

    // Option values are checked before anything is replayed; the last row needs the file.
    void playRefusesOptionsOutOfRange_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("negative repeat") << QStringList{"--repeat", "-1"} << 64 << "--repeat";
        QTest::newRow("speed too low") << QStringList{"--speed", "0.05"} << 64 << "0.1 to 10";
        QTest::newRow("speed too high") << QStringList{"--speed", "10.5"} << 64 << "0.1 to 10";
        QTest::newRow("speed nan") << QStringList{"--speed", "nan"} << 64 << "0.1 to 10";
        QTest::newRow("past the last row") << QStringList{"--from", "2"} << 64 << "last step is 1";
        QTest::newRow("no value") << QStringList{"--speed"} << 64 << "needs a value";
        QTest::newRow("unknown option") << QStringList{"--fast"} << 64 << "unknown option";
        QTest::newRow("every limit accepted, then no desktop")
            << QStringList{"--repeat", "0", "--speed", "10", "--from", "1"} << 3 << "DISPLAY";
    }
    void playRefusesOptionsOutOfRange() {
        QFETCH(QStringList, options);
        const QString file =
            write("one.flow", withCount(1).str("mouse_move").ints({1, 1, 1}).bytes());
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("DISPLAY");
        const Result r = flowctl(QStringList{"play", file} + options);
        qputenv("DISPLAY", display);
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, says);
        QVERIFY2(QString::fromUtf8(r.err).contains(says), r.err.constData());
    }

    void usage() {
        QCOMPARE(flowctl({"help", "dump"}).exitCode, 0);
        QCOMPARE(flowctl({"help", "nonsense"}).exitCode, 64);
        QCOMPARE(flowctl({"dump"}).exitCode, 64);
    }
};

QTEST_GUILESS_MAIN(TestFlowctl)
#include "tst_flowctl.moc"
