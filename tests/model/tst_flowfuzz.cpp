#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <optional>

#include "model/Flow.h"
#include "platform/Platform.h"
#include "support/FakeHotkeyBackend.h"
#include "support/FlowBytes.h"
#include "support/LogCapture.h"
#include "support/OperationValues.h"

namespace {
qint64 peakVirtualKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmPeak:")) return line.mid(7).trimmed().split(' ')[0].toLongLong();
    return -1;
}
}  // namespace

// Damaged versions of a valid file: whatever the bytes, a load ends in bounded time and memory,
// failing with a reason or giving a flow that saves back to exactly the bytes it read.
class TestFlowFuzz : public QObject {
    Q_OBJECT
    // Each accepted load is saved back and synced: a folder in memory keeps that cheap.
    QTemporaryDir m_dir{QFileInfo("/dev/shm").isWritable()
                            ? "/dev/shm/tst_flowfuzz-XXXXXX"
                            : QDir::tempPath() + "/tst_flowfuzz-XXXXXX"};
    std::vector<std::unique_ptr<Operation>> m_prototypes =
        OperationValues::registerOwnedPrototypes();
    QString m_input, m_output;
    QByteArray m_valid;
    FakeHotkeyBackend m_hotkeys;
    std::optional<LogCapture> m_quiet;
    qint64 m_startPeakKiB = 0;
    int m_loads = 0, m_accepted = 0;

    // Loads the bytes into a new flow; empty when every rule holds, else what broke.
    QString check(const QByteArray& bytes) {
        if (!FlowBytes::writeFile(m_input, bytes)) return "cannot write the input";
        ++m_loads;
        QElapsedTimer timer;
        timer.start();
        Flow flow;
        const bool loaded = flow.load(m_input);
        // Generous for a sanitizer build; a loop over a huge count takes far longer.
        if (timer.elapsed() > 2000) return QStringLiteral("load took %1 ms").arg(timer.elapsed());
        m_accepted += loaded;
        const QList<Operation*> ops = flow.operations();
        if (flow.findChildren<Operation*>().size() != ops.size() ||
            std::any_of(ops.begin(), ops.end(),
                        [&](Operation* op) { return !op || op->parent() != &flow; }))
            return "operations missing, not owned or outside the list";
        if (loaded != flow.lastError().isEmpty() ||
            flow.lastFailure() != (loaded ? Flow::Failure::None : Flow::Failure::BadContent))
            return "a result that does not match its failure";
        if (!loaded) return {};
        // Accepted bytes save back as they were, but a negative count loads and saves as 0.
        int countAt = 4;
        for (const QString& s : {flow.name(), flow.description(), flow.hotkey, flow.createTime(),
                                 flow.lastModifiedTime()})
            countAt += 4 + 2 * s.size();
        if (countAt + 4 > bytes.size()) return "accepted a file without a count";
        QByteArray expected = bytes;
        if (expected[countAt] & 0x80) {
            if (flow.operationCount()) return "negative count with operations";
            expected.replace(countAt, 4, QByteArray(4, '\0'));
        }
        if (!flow.save(m_output)) return "cannot save what was loaded";
        const QByteArray saved = FlowBytes::readFile(m_output);
        return saved == expected ? QString()
                                 : "saved " + saved.toHex() + ", read " + expected.toHex();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_input = m_dir.filePath("input.flow");
        m_output = m_dir.filePath("output.flow");
        Platform::setHotkeys(&m_hotkeys);
        FlowBytes b;
        b.header("模糊 test", "", "Ctrl+F9", "2024-05-01 08:00:00", "2024-05-02 09:00:00", 7);
        b.str("key_input").ints({50, 2}).str("A").ints({0x04000000});
        b.str("mouse_click").ints({50, -5, 7, 1, 1}).str("text_input").ints({50}).str(QString());
        b.str("mouse_move").ints({1000, 100, 200}).str("text_input").ints({50}).str("hi 😀");
        b.str("key_input").ints({50, 1}).str("").ints({0}).str("text_input").ints({50}).str("");
        m_valid = b.bytes();
        m_quiet.emplace();
        QCOMPARE(check(m_valid), QString());
        QCOMPARE(m_accepted, 1);
        m_startPeakKiB = peakVirtualKiB();
    }
    void cleanupTestCase() {
        m_quiet.reset();
        Platform::setHotkeys(nullptr);
        qInfo("%d loads, %d accepted", m_loads, m_accepted);
    }

    void everyPosition_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<quint32>("word");
        QTest::newRow("cut") << "cut" << 0u;
        QTest::newRow("one bit flipped") << "flip" << 0u;
        for (quint32 word : {0xFFFFFFFFu, 0xFFFFFFFEu, 0x7FFFFFFFu, 0x80000000u, 0u})
            QTest::addRow("the word %08x written", word) << "word" << word;
    }
    void everyPosition() {
        QFETCH(QString, damage);
        QFETCH(quint32, word);
        const int acceptedBefore = m_accepted;
        const int variants = damage == "cut"    ? m_valid.size()
                             : damage == "flip" ? m_valid.size() * 8
                                                : m_valid.size() - 3;
        for (int i = 0; i < variants; ++i) {
            QByteArray bytes = m_valid;
            if (damage == "cut") bytes.truncate(i);
            if (damage == "flip") bytes[i / 8] = char(bytes[i / 8] ^ (1 << (i % 8)));
            if (damage == "word") bytes.replace(i, 4, FlowBytes().u32(word).bytes());
            const QString problem = check(bytes);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("at %1: %2").arg(i).arg(problem)));
        }
        if (damage == "cut") QCOMPARE(m_accepted, acceptedBefore);  // a cut file is never whole
    }

    void randomDamage_data() {
        QTest::addColumn<quint32>("randomStart");
        QTest::addColumn<bool>("fromScratch");
        QTest::newRow("mutations, random start 1") << 1u << false;
        QTest::newRow("mutations, random start 20240501") << 20240501u << false;
        QTest::newRow("mutations, random start 0xC0FFEE") << 0xC0FFEEu << false;
        // Mostly small values after the head, so that lengths and counts are sometimes plausible.
        QTest::newRow("random bytes after the head, random start 7") << 7u << true;
    }
    void randomDamage() {
        QFETCH(quint32, randomStart);
        QFETCH(bool, fromScratch);
        QRandomGenerator random(randomStart);
        const quint32 huge[] = {0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000, 0x7FFFFFFE};
        const std::function<void(QByteArray&, int)> mutations[] = {
            [&](QByteArray& b, int at) { b[at] = char(b[at] ^ (1 << random.bounded(8))); },
            [&](QByteArray& b, int at) { b[at] = char(random.bounded(256)); },
            [&](QByteArray& b, int at) { b.truncate(at); },
            [&](QByteArray& b, int at) { b.remove(at, 1 + random.bounded(16)); },
            [&](QByteArray& b, int at) {
                b.insert(at, b.mid(random.bounded(b.size()), 1 + random.bounded(64)));
            },
            [&](QByteArray& b, int at) {
                b.replace(at, 4, FlowBytes().u32(huge[random.bounded(5)]).bytes());
            }};
        for (int round = 0; round < 500; ++round) {
            QByteArray bytes = fromScratch ? QByteArray::fromHex("8E62D879") : m_valid;
            for (int i = fromScratch ? random.bounded(300) : 0; i > 0; --i)
                bytes.append(char(random.bounded(4) ? random.bounded(4) : random.bounded(256)));
            for (int m = fromScratch ? 0 : 1 + random.bounded(4); m > 0 && !bytes.isEmpty(); --m) {
                const int at = random.bounded(bytes.size());
                mutations[random.bounded(6)](bytes, at);
            }
            const QString problem = check(bytes);
            QVERIFY2(problem.isEmpty(),
                     qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problem)));
        }
    }

    void memoryStaysBounded() {
        // Under the sanitizer its own allocation and resident-size limits apply instead.
        if (FLOWSMITH_ASAN_BUILD) QSKIP("checked by the sanitizer's allocation limits");
        const qint64 peak = peakVirtualKiB();
        if (peak < 0 || m_startPeakKiB < 0) QSKIP("no /proc/self/status here");
        // Reserving for a count near 2^31 or a length near 4 GiB would map gigabytes.
        QVERIFY2(peak - m_startPeakKiB < 256 * 1024,
                 qPrintable(QStringLiteral("peak grew by %1 KiB").arg(peak - m_startPeakKiB)));
        QVERIFY(m_loads > 4000);  // the loops above really ran
    }
};

QTEST_GUILESS_MAIN(TestFlowFuzz)
#include "tst_flowfuzz.moc"
