#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "FakeHotkeyBackend.h"
#include "Flow.h"
#include "FlowBytes.h"
#include "GlobalHotkey.h"
#include "LogCapture.h"
#include "Operation.h"
#include "OperationFactory.h"
#include "OperationValues.h"
#include "Platform.h"
#include "RecordingPresenter.h"

// Feeds Flow::load damaged versions of a valid multi-operation file: cut at every
// position, every single bit flipped, every position overwritten with huge length
// and count values, and seeded random mutations. Whatever the bytes, load must
// return in bounded time and memory, and leave either a failure with its reason
// or a flow that saves back to exactly the bytes it read.
class TestFlowFuzz : public QObject {
    Q_OBJECT

private:
    // Loads the bytes into a fresh flow and into one reused across loads; returns
    // an empty string when every rule holds, else what broke.
    QString check(const QByteArray& bytes);
    // With saveBack, an accepted flow must also save to the bytes it was read from.
    QString checkFlow(Flow& flow, bool loaded, const QByteArray& bytes, bool saveBack);
    static qint64 peakVirtualKiB();

    std::unique_ptr<QTemporaryDir> dir;
    std::vector<std::unique_ptr<Operation>> prototypes;
    QString input;
    QString output;
    QByteArray valid;
    FakeHotkeyBackend hotkeys;
    RecordingPresenter presenter;
    std::unique_ptr<LogCapture> quiet;
    std::unique_ptr<Flow> reused;
    qint64 startPeakKiB = 0;
    int loads = 0;
    int accepted = 0;
    qint64 slowestMs = 0;

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void validFileLoads();
    void truncatedAtEveryPosition();
    void everySingleBitFlipped();
    void hugeValuesAtEveryPosition_data();
    void hugeValuesAtEveryPosition();
    void randomMutations_data();
    void randomMutations();
    void randomBytesAfterTheHead();
    void memoryStaysBounded();
};

qint64 TestFlowFuzz::peakVirtualKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmPeak:"))
            return line.mid(7).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

void TestFlowFuzz::initTestCase() {
    // Every accepted load is saved back, and each save ends in a sync to disk: a
    // folder in memory, where the system has one, keeps thousands of them cheap.
    const QFileInfo memory(QStringLiteral("/dev/shm"));
    const QString base =
        memory.isDir() && memory.isWritable() ? memory.filePath() : QDir::tempPath();
    dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/tst_flowfuzz-XXXXXX"));
    QVERIFY(dir->isValid());
    input = dir->filePath("input.flow");
    output = dir->filePath("output.flow");
    prototypes = OperationValues::registerOwnedPrototypes();
    Platform::setHotkeys(&hotkeys);

    Flow flow;
    flow.setHeader(QString::fromUtf8("模糊 test"), "", "Ctrl+F9", "2024-05-01 08:00:00",
                   "2024-05-02 09:00:00");
    const QList<QPair<QString, QVariantMap>> ops{
        {"key_input", {{"eventType", 2}, {"key", "A"}, {"modifiers", int(Qt::ControlModifier)}}},
        {"mouse_click", {{"position", QPoint(-5, 7)}, {"clickType", 1}, {"clickButton", 1}}},
        {"text_input", {}},
        {"mouse_move", {{"interval", 1000}, {"position", QPoint(100, 200)}}},
        {"text_input", {{"text", QString::fromUtf8("hi 😀")}}},
        {"key_input", {{"eventType", 1}, {"key", ""}}},
        {"text_input", {{"text", QString("")}}},
    };
    for (const auto& spec : ops) {
        Operation* op = OperationValues::create(spec.first);
        QVERIFY(OperationValues::apply(op, spec.second));
        op->setParent(&flow);
        flow.operations.append(op);
    }
    QVERIFY(flow.save(input));
    valid = FlowBytes::readFile(input);
    QVERIFY(valid.size() > 200);
    reused = std::make_unique<Flow>();
    startPeakKiB = peakVirtualKiB();
}

void TestFlowFuzz::init() {
    quiet = std::make_unique<LogCapture>();
}

void TestFlowFuzz::cleanup() {
    quiet.reset();
}

void TestFlowFuzz::cleanupTestCase() {
    reused.reset();
    dir.reset();
    Platform::setHotkeys(nullptr);
    qInfo("%d loads, %d accepted, slowest %lld ms", loads, accepted, slowestMs);
}

QString TestFlowFuzz::checkFlow(Flow& flow, bool loaded, const QByteArray& bytes, bool saveBack) {
    for (const Operation* op : flow.operations) {
        if (!op) return QStringLiteral("null operation in the list");
        if (op->parent() != &flow) return QStringLiteral("operation not owned by the flow");
    }
    if (flow.findChildren<Operation*>().size() != flow.operations.size())
        return QStringLiteral("operation children outside the list");
    if (flow.findChildren<GlobalHotkey*>().size() > 1) return QStringLiteral("two hotkey objects");
    if (!loaded) {
        if (flow.lastError().isEmpty() || flow.lastFailure() != Flow::Failure::BadContent)
            return QStringLiteral("failure without a reason");
        return QString();
    }
    if (flow.lastFailure() != Flow::Failure::None) return QStringLiteral("success with a failure");
    if (!saveBack) return QString();

    // What was accepted saves back byte for byte, except that a negative count
    // loads as no operations and so saves as a count of 0.
    int countAt = 4;
    for (const QString& s :
         {flow.name(), flow.description(), flow.hotkey, flow.createTime(), flow.lastModifiedTime()})
        countAt += 4 + (s.isNull() ? 0 : 2 * s.size());
    QByteArray expected = bytes;
    if (countAt + 4 > bytes.size()) return QStringLiteral("accepted a file without a count");
    if (bytes[countAt] & 0x80) {
        if (!flow.operations.isEmpty()) return QStringLiteral("negative count with operations");
        expected.replace(countAt, 4, QByteArray(4, '\0'));
    }
    if (!flow.save(output)) return QStringLiteral("cannot save what was loaded");
    const QByteArray saved = FlowBytes::readFile(output);
    if (saved != expected)
        return QStringLiteral("saved bytes differ from the loaded ones: %1 vs %2")
            .arg(QString::fromLatin1(saved.toHex()), QString::fromLatin1(expected.toHex()));
    return QString();
}

QString TestFlowFuzz::check(const QByteArray& bytes) {
    if (!FlowBytes::writeFile(input, bytes)) return QStringLiteral("cannot write the input");
    ++loads;
    QElapsedTimer timer;
    timer.start();
    Flow fresh;
    const bool loaded = fresh.load(input);
    const qint64 ms = timer.elapsed();
    slowestMs = qMax(slowestMs, ms);
    // Generous enough for a sanitizer build on a busy machine; a loop that reads
    // gigabytes or spins on a count takes far longer.
    if (ms > 2000) return QStringLiteral("load took %1 ms").arg(ms);
    if (loaded) ++accepted;
    QString problem = checkFlow(fresh, loaded, bytes, true);
    if (!problem.isEmpty()) return QStringLiteral("fresh flow: ") + problem;

    // The same bytes over a flow that already holds operations and a hotkey.
    const bool reloaded = reused->load(input);
    if (reloaded != loaded) return QStringLiteral("a second load decided differently");
    problem = checkFlow(*reused, reloaded, bytes, false);
    if (!problem.isEmpty()) return QStringLiteral("reused flow: ") + problem;
    if (!presenter.shown.isEmpty()) return QStringLiteral("a content error was shown as a dialog");
    return QString();
}

void TestFlowFuzz::validFileLoads() {
    QCOMPARE(check(valid), QString());
    Flow flow;
    QVERIFY(flow.load(input));
    QCOMPARE(flow.operations.size(), 7);
}

void TestFlowFuzz::truncatedAtEveryPosition() {
    for (int n = 0; n < valid.size(); ++n) {
        const QByteArray cut = valid.left(n);
        QCOMPARE(check(cut), QString());
        Flow flow;
        QVERIFY2(!flow.load(input), qPrintable(QStringLiteral("cut at %1 accepted").arg(n)));
    }
}

void TestFlowFuzz::everySingleBitFlipped() {
    for (int bit = 0; bit < valid.size() * 8; ++bit) {
        QByteArray flipped = valid;
        flipped[bit / 8] = char(flipped[bit / 8] ^ (1 << (bit % 8)));
        const QString problem = check(flipped);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("bit %1: %2").arg(bit).arg(problem)));
    }
}

void TestFlowFuzz::hugeValuesAtEveryPosition_data() {
    QTest::addColumn<quint32>("value");
    QTest::newRow("null string length") << 0xFFFFFFFFu;
    QTest::newRow("4 GiB - 2") << 0xFFFFFFFEu;
    QTest::newRow("2^31 - 1") << 0x7FFFFFFFu;
    QTest::newRow("2^31") << 0x80000000u;
    QTest::newRow("zero") << 0u;
}

void TestFlowFuzz::hugeValuesAtEveryPosition() {
    QFETCH(quint32, value);
    const QByteArray word = FlowBytes().u32(value).bytes();
    for (int at = 0; at + 4 <= valid.size(); ++at) {
        QByteArray patched = valid;
        patched.replace(at, 4, word);
        const QString problem = check(patched);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("at %1: %2").arg(at).arg(problem)));
    }
}

void TestFlowFuzz::randomMutations_data() {
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 1") << 1u;
    QTest::newRow("seed 20240501") << 20240501u;
    QTest::newRow("seed 0xC0FFEE") << 0xC0FFEEu;
}

void TestFlowFuzz::randomMutations() {
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    const quint32 huge[] = {0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000, 0x7FFFFFFE};
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes = valid;
        QStringList steps;
        const int mutations = 1 + random.bounded(4);
        for (int m = 0; m < mutations && !bytes.isEmpty(); ++m) {
            const int at = random.bounded(bytes.size());
            switch (random.bounded(7)) {
                case 0:
                    bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
                    steps << QStringLiteral("flip@%1").arg(at);
                    break;
                case 1:
                    bytes[at] = char(random.bounded(256));
                    steps << QStringLiteral("byte@%1").arg(at);
                    break;
                case 2:
                    bytes.truncate(at);
                    steps << QStringLiteral("cut@%1").arg(at);
                    break;
                case 3: {
                    const int length = 1 + random.bounded(16);
                    bytes.remove(at, length);
                    steps << QStringLiteral("remove@%1+%2").arg(at).arg(length);
                    break;
                }
                case 4: {
                    QByteArray noise(1 + random.bounded(16), '\0');
                    for (char& c : noise) c = char(random.bounded(256));
                    bytes.insert(at, noise);
                    steps << QStringLiteral("insert@%1+%2").arg(at).arg(noise.size());
                    break;
                }
                case 5: {
                    const int length = 1 + random.bounded(qMin(64, bytes.size() - at));
                    bytes.insert(random.bounded(bytes.size()), bytes.mid(at, length));
                    steps << QStringLiteral("copy@%1+%2").arg(at).arg(length);
                    break;
                }
                default: {
                    const quint32 value = huge[random.bounded(5)];
                    if (at + 4 <= bytes.size())
                        bytes.replace(at, 4, FlowBytes().u32(value).bytes());
                    steps << QStringLiteral("huge@%1").arg(at);
                    break;
                }
            }
        }
        const QString problem = check(bytes);
        QVERIFY2(
            problem.isEmpty(),
            qPrintable(
                QStringLiteral("round %1 (%2): %3").arg(round).arg(steps.join(' ')).arg(problem)));
    }
}

void TestFlowFuzz::randomBytesAfterTheHead() {
    QRandomGenerator random(7);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = FlowBytes().u32(FlowBytes::kMagic).bytes();
        const int length = random.bounded(300);
        for (int i = 0; i < length; ++i) {
            // Mostly small values so lengths and counts are sometimes plausible.
            bytes.append(char(random.bounded(4) ? random.bounded(4) : random.bounded(256)));
        }
        const QString problem = check(bytes);
        QVERIFY2(problem.isEmpty(),
                 qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problem)));
    }
}

void TestFlowFuzz::memoryStaysBounded() {
    // Under AddressSanitizer the shadow memory makes the virtual size meaningless;
    // there the allocation and resident-size limits of the test's environment apply.
    if (FLOWSMITH_ASAN_BUILD) QSKIP("checked by the sanitizer's allocation limits");
    const qint64 peak = peakVirtualKiB();
    if (peak < 0 || startPeakKiB < 0) QSKIP("no /proc/self/status here");
    // A loader that reserved for a count near 2^31 or a length near 4 GiB would
    // have mapped gigabytes at some point.
    QVERIFY2(peak - startPeakKiB < 256 * 1024,
             qPrintable(QStringLiteral("peak grew from %1 to %2 KiB").arg(startPeakKiB).arg(peak)));
    QVERIFY(loads > 4000);  // the loops above really ran
}

QTEST_GUILESS_MAIN(TestFlowFuzz)
#include "tst_flowfuzz.moc"
