// flowctl as a user runs it: files made byte by byte here (not by our writer),
// dumped to JSON, built back, and every failure path with its exit status.
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Big-endian bytes in the flow file's layout, written independently of QDataStream.
class Bytes {
public:
    Bytes& u32(quint32 v) {
        for (int shift = 24; shift >= 0; shift -= 8) data.append(char((v >> shift) & 0xFF));
        return *this;
    }
    Bytes& i32(qint32 v) { return u32(quint32(v)); }
    Bytes& str(const QString& s) {
        if (s.isNull()) return u32(0xFFFFFFFF);
        u32(quint32(s.size() * 2));
        for (QChar c : s) data.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        return *this;
    }
    Bytes& head() { return u32(0x8E62D879); }
    Bytes& header(const QString& name, const QString& desc, const QString& hotkey,
                  const QString& created, const QString& modified, qint32 count) {
        return head().str(name).str(desc).str(hotkey).str(created).str(modified).i32(count);
    }
    Bytes& raw(const QByteArray& b) {
        data.append(b);
        return *this;
    }
    QByteArray data;
};

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

QByteArray flowJson(int textSize) {
    return "{\"name\": \"\", \"description\": \"\", \"hotkey\": \"\", \"createTime\": \"\", "
           "\"lastModifiedTime\": \"\", \"operations\": [{\"type\": \"text_input\", "
           "\"interval\": 1, \"text\": \"" +
           QByteArray(textSize, 'x') + "\"}]}";
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
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(path(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    static QByteArray read(const QString& file) {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void roundTripIsByteExact_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty flow, empty strings") << Bytes().head().raw(QByteArray(24, 0)).data;
        QTest::newRow("all null strings") << Bytes().header({}, {}, {}, {}, {}, 0).data;
        QTest::newRow("one move, the documented example")
            << Bytes()
                   .header("", "", "", kTime, kTime, 1)
                   .str("mouse_move")
                   .i32(50)
                   .i32(100)
                   .i32(200)
                   .data;
        QTest::newRow("every kind")
            << Bytes()
                   .header("流程", "描述\n第二行", "Ctrl+F9", kTime, "2025-01-02 03:04:05", 5)
                   .str("key_input")
                   .i32(10)
                   .i32(2)
                   .str("A")
                   .u32(0x0C000000)
                   .str("key_input")
                   .i32(0)
                   .i32(7)
                   .str("")
                   .u32(0x22000000)  // keypad bit, odd event
                   .str("mouse_click")
                   .i32(-1)
                   .i32(-5)
                   .i32(7)
                   .i32(1)
                   .i32(2)
                   .str("mouse_move")
                   .i32(2147483647)
                   .i32(-2147483647 - 1)
                   .i32(0)
                   .str("text_input")
                   .i32(120)
                   .str(QString::fromUtf8("你好 \"q\" \\ 😀\t"))
                   .data;
        QTest::newRow("null and empty texts") << Bytes()
                                                     .header("", "", "", kTime, kTime, 2)
                                                     .str("text_input")
                                                     .i32(50)
                                                     .str(QString())
                                                     .str("text_input")
                                                     .i32(50)
                                                     .str("")
                                                     .data;
        QTest::newRow("lone surrogate kept")
            << Bytes()
                   .header("", "", "", kTime, kTime, 1)
                   .str("text_input")
                   .i32(1)
                   .str(QString(QChar(0xD800)) + "x" + QChar(0xDC00))
                   .data;
    }
    void roundTripIsByteExact() {
        QFETCH(QByteArray, file);
        const QString original = write("original.flow", file);
        const Result dumped = flowctl({"dump", original});
        QCOMPARE(dumped.exitCode, 0);
        QVERIFY(dumped.err.isEmpty());
        const QString json = write("dump.json", dumped.out);
        const Result built = flowctl({"build", json, path("rebuilt.flow")});
        QVERIFY2(built.exitCode == 0, built.err.constData());
        QCOMPARE(read(path("rebuilt.flow")).toHex(), file.toHex());
    }

    void dumpShowsTheSchema() {
        const QString file = write("kinds.flow", Bytes()
                                                     .header("n", "", QString(), kTime, kTime, 2)
                                                     .str("key_input")
                                                     .i32(10)
                                                     .i32(2)
                                                     .str("A")
                                                     .u32(0x06000000 | 0x20000000)
                                                     .str("mouse_click")
                                                     .i32(0)
                                                     .i32(-5)
                                                     .i32(7)
                                                     .i32(1)
                                                     .i32(2)
                                                     .data);
        const Result r = flowctl({"dump", file});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject root = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(root.keys().size(), 6);
        QVERIFY(root.value("hotkey").isNull());
        QCOMPARE(root.value("description").toString(), QString(""));
        QVERIFY(r.out.indexOf("\"name\"") < r.out.indexOf("\"description\""));
        QVERIFY(r.out.indexOf("\"lastModifiedTime\"") < r.out.indexOf("\"operations\""));
        const QJsonArray ops = root.value("operations").toArray();
        QCOMPARE(ops.size(), 2);
        const QJsonObject key = ops.at(0).toObject();
        QCOMPARE(key.value("type").toString(), QString("key_input"));
        // Shift (0x02000000) + Ctrl (0x04000000) by name, the keypad bit as a number.
        QCOMPARE(key.value("modifiers").toArray(), QJsonArray({"Shift", "Ctrl", 0x20000000}));
        const QJsonObject click = ops.at(1).toObject();
        QCOMPARE(click.value("position").toObject().value("x").toInt(), -5);
        QCOMPARE(click.value("clickButton").toInt(), 2);
    }

    void buildWritesTheDocumentedExample() {
        const QByteArray json =
            "{\"name\": \"\", \"description\": \"\", \"hotkey\": \"\", \"createTime\": "
            "\"2024-05-01 "
            "08:00:00\", \"lastModifiedTime\": \"2024-05-01 08:00:00\", \"operations\": "
            "[{\"type\": \"mouse_move\", \"interval\": 50, \"position\": {\"x\": 100, \"y\": "
            "200}}]}";
        const QString in = write("example.json", json);
        QCOMPARE(flowctl({"build", in, path("example.flow")}).exitCode, 0);
        QByteArray expected = QByteArray::fromHex("8E62D879000000000000000000000000");
        for (int i = 0; i < 2; ++i) expected += Bytes().str(kTime).data;
        expected += QByteArray::fromHex("00000001") + Bytes().str("mouse_move").data +
                    QByteArray::fromHex("0000003200000064000000C8");
        QCOMPARE(read(path("example.flow")).toHex(), expected.toHex());
    }

    void dumpFailures_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("head in little-endian order")
            << QByteArray::fromHex("79D8628E") + QByteArray(24, 0) << 2
            << "unknown file Head: 2044224142";
        QTest::newRow("unknown type")
            << Bytes().header("", "", "", kTime, kTime, 1).str("bogus").data << 2
            << "unknown operation type: \"bogus\"";
        QTest::newRow("upper-case type") << Bytes()
                                                .header("", "", "", kTime, kTime, 1)
                                                .str("MOUSE_MOVE")
                                                .i32(1)
                                                .i32(1)
                                                .i32(1)
                                                .data
                                         << 2 << "unknown operation type: \"MOUSE_MOVE\"";
        QTest::newRow("cut inside a record")
            << Bytes().header("", "", "", kTime, kTime, 1).str("mouse_move").i32(50).data << 2
            << "ends inside operation 1 of 1";
        QTest::newRow("count beyond the records")
            << Bytes().header("", "", "", kTime, kTime, 2147483647).data << 2
            << "ends before operation 1 of 2147483647";
        QTest::newRow("string length near 4 GiB")
            << Bytes().head().u32(0xFFFFFFF0).data << 2 << "header";
        QTest::newRow("empty file") << QByteArray() << 2 << "too short (0 bytes) to hold its head";
        QTest::newRow("trailing bytes")
            << Bytes().head().raw(QByteArray(24, 0)).raw("xyz").data << 2 << "3 unexpected bytes";
    }
    void dumpFailures() {
        QFETCH(QByteArray, file);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Result r = flowctl({"dump", write("bad.flow", file)});
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    }

    void dumpOfWhatIsNoFlowFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.flow";
        QTest::newRow("a FIFO nobody writes to: no waiting for a writer") << "fifo.flow";
    }
    void dumpOfWhatIsNoFlowFile() {
        QFETCH(QString, name);
        if (name == "fifo.flow") QVERIFY(mkfifo(qPrintable(path(name)), 0600) == 0);
        const Result r = flowctl({"dump", path(name)});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY2(QString::fromUtf8(r.err).startsWith(
                     QStringLiteral("flowctl: 无法读取文件 %1:\n").arg(path(name))),
                 r.err.constData());
    }

    void buildRejectsWhatDoesNotFit_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        const QByteArray head =
            "{\"name\": \"\", \"description\": \"\", \"hotkey\": \"\", \"createTime\": \"\", "
            "\"lastModifiedTime\": \"\", \"operations\": [";
        QTest::newRow("not JSON") << QByteArray("{") << "not valid JSON";
        QTest::newRow("missing name") << QByteArray("{\"operations\": []}") << "name: missing";
        QTest::newRow("interval as text") << head +
                                                 "{\"type\": \"mouse_move\", \"interval\": \"5\", "
                                                 "\"position\": {\"x\": 1, \"y\": 2}}]}"
                                          << "operations[0].interval";
        QTest::newRow("interval beyond 32 bits")
            << head + "{\"type\": \"text_input\", \"interval\": 4294967296, \"text\": null}]}"
            << "operations[0].interval";
        QTest::newRow("fractional coordinate") << head +
                                                      "{\"type\": \"mouse_move\", \"interval\": 1, "
                                                      "\"position\": {\"x\": 1.5, \"y\": 2}}]}"
                                               << "operations[0].position.x";
        QTest::newRow("unknown modifier")
            << head +
                   "{\"type\": \"key_input\", \"interval\": 1, \"eventType\": 0, \"key\": \"A\", "
                   "\"modifiers\": [\"Hyper\"]}]}"
            << "operations[0].modifiers[0]";
        QTest::newRow("unknown type") << head + "{\"type\": \"mouse_wheel\", \"interval\": 1}]}"
                                      << "operations[0].type";
        QTest::newRow("misspelt field")
            << head + "{\"type\": \"text_input\", \"intervall\": 1, \"text\": \"\"}]}"
            << "operations[0].intervall: unknown field";
        QTest::newRow("second operation broken")
            << head + "{\"type\": \"text_input\", \"interval\": 1, \"text\": \"\"}, 5]}"
            << "operations[1]";
    }
    void buildRejectsWhatDoesNotFit() {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        const QString target = write("keep.flow", "previous content");
        const Result r = flowctl({"build", write("bad.json", json), target});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(field), r.err.constData());
        QCOMPARE(read(target), QByteArray("previous content"));
    }

    void buildIntoAnUnwritablePlace() {
        const QString json =
            write("ok.json",
                  "{\"name\": \"\", \"description\": \"\", \"hotkey\": \"\", "
                  "\"createTime\": \"\", \"lastModifiedTime\": \"\", \"operations\": []}");
        const Result r = flowctl({"build", json, path("no/such/dir/x.flow")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(QString::fromUtf8(r.err).contains(QStringLiteral("无法写入文件")),
                 r.err.constData());
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
        const QString json = write("disk.json", flowJson(textSize));
        QCOMPARE(flowctl({"build", json, path("expected.flow")}).exitCode, 0);
        const QByteArray old = Bytes().head().raw(QByteArray(24, 0)).data;
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
        if (!fits)
            QVERIFY2(r.err.contains("无法写入文件") && r.err.contains("No space left on device"),
                     r.err.constData());
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
        const QString json = write("folder.json", flowJson(10));
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
        const QFileInfo after(file);
        QCOMPARE(after.permissions(), before.permissions());
        QCOMPARE(after.ownerId(), before.ownerId());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"x.flow"});
    }

    void helpExplainsTheCommands() {
        const Result all = flowctl({"--help"});
        QCOMPARE(all.exitCode, 0);
        for (const char* c : {"dump", "build", "play"}) QVERIFY(all.out.contains(c));
        const Result dump = flowctl({"help", "dump"});
        QCOMPARE(dump.exitCode, 0);
        QVERIFY(dump.out.contains("Exit status"));
        QVERIFY(flowctl({"help", "nonsense"}).exitCode != 0);
        QVERIFY(flowctl({"dump"}).exitCode != 0);
    }
};

QTEST_GUILESS_MAIN(TestFlowctl)
#include "tst_flowctl.moc"
