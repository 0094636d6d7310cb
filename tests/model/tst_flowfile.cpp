#include <QtTest>
#include <functional>

#include "model/Flow.h"
#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "support/FakeHotkeyBackend.h"
#include "support/FlowBytes.h"
#include "support/LogCapture.h"
#include "support/OperationValues.h"
#include "support/RecordingPresenter.h"

namespace {
const QString kMove = "mouse_move interval=10 position=(1,2)";
const QString kClick = "mouse_click interval=20 position=(3,4) clickType=1 clickButton=2";
const QString kText = "text_input interval=30 text=[abc]";
const QString kKept = "mouse_move interval=50 position=(1,2)";

// The header fields in brackets (<null> when null), then a line per operation.
QStringList describe(const Flow& flow) {
    QString header;
    for (const QString& s :
         {flow.name(), flow.description(), flow.hotkey, flow.createTime(), flow.lastModifiedTime()})
        header += s.isNull() ? QStringLiteral("<null>") : '[' + s + ']';
    QStringList out{header};
    for (const Operation* op : flow.operations()) out << OperationValues::describe(op);
    return out;
}

// A 46-byte header with the hotkey F7, then a move (36 bytes), a click (46) and a text (38).
QByteArray threeOperations() {
    FlowBytes b;
    b.header("three", "", "F7", "c", "m", 3).str("mouse_move").ints({10, 1, 2});
    b.str("mouse_click").ints({20, 3, 4, 1, 2}).str("text_input").ints({30}).str("abc");
    return b.bytes();
}

QByteArray emptyFlow(const char* hotkey) {
    return FlowBytes().header("", "", hotkey, "", "", 0).bytes();
}
}  // namespace

// Flow::save and Flow::load: the format's bytes, what a load keeps, errors, the flow's hotkey;
// and damaged versions of a valid file: whatever the bytes, a load ends in bounded time,
// failing with a reason or giving a flow that saves back to exactly the bytes it read.
class TestFlowFile : public QObject {
    Q_OBJECT
    // Each accepted damaged file is saved back and synced: a folder in memory keeps that cheap.
    QTemporaryDir m_dir{QFileInfo("/dev/shm").isWritable()
                            ? "/dev/shm/tst_flowfile-XXXXXX"
                            : QDir::tempPath() + "/tst_flowfile-XXXXXX"};
    std::vector<std::unique_ptr<Operation>> m_prototypes =
        OperationValues::registerOwnedPrototypes();
    FakeHotkeyBackend m_hotkeys;
    RecordingPresenter m_presenter;
    // Every kind of operation, null and empty strings: each file a load accepts must save
    // back to the same bytes, which holds the writer to the format as well.
    QByteArray m_valid;
    int m_loads = 0, m_accepted = 0;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        return FlowBytes::writeFile(path(name), bytes) ? path(name) : QString();
    }
    // A flow holding one move, to see what a load keeps of it.
    static QPointer<Operation> fillWithOneMove(Flow& flow) {
        flow.setHeader("kept", "", "", "", "");
        flow.appendOperation(OperationValues::make(kKept));
        return flow.operations().last();
    }

    // Loads damaged bytes into a new flow; empty when every rule holds, else what broke.
    QString check(const QByteArray& bytes) {
        const QString input = write("input.flow", bytes), output = path("output.flow");
        if (input.isEmpty()) return "cannot write the input";
        ++m_loads;
        LogCapture quiet;
        QElapsedTimer timer;
        timer.start();
        Flow flow;
        const bool loaded = flow.load(input);
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
        if (!flow.save(output)) return "cannot save what was loaded";
        const QByteArray saved = FlowBytes::readFile(output);
        return saved == expected ? QString()
                                 : "saved " + saved.toHex() + ", read " + expected.toHex();
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Platform::setHotkeys(&m_hotkeys);
        FlowBytes b;
        b.header("模糊 test", QString(), "Ctrl+F9", "2024-05-01 08:00:00", "", 7);
        b.str("key_input").ints({50, 2}).str("A").ints({0x04000000});
        b.str("mouse_click").ints({50, -5, 7, 1, 1}).str("text_input").ints({50}).str(QString());
        b.str("mouse_move").ints({1000, 100, 200}).str("text_input").ints({50}).str("hi 😀");
        b.str("key_input").ints({50, 1}).str("").ints({0}).str("text_input").ints({50}).str("");
        m_valid = b.bytes();
        QCOMPARE(check(m_valid), QString());
        QCOMPARE(m_accepted, 1);
    }
    void init() {
        m_presenter.shown.clear();
        m_hotkeys = FakeHotkeyBackend();
    }
    void cleanupTestCase() {
        Platform::setHotkeys(nullptr);
        qInfo("%d damaged files loaded, %d accepted", m_loads, m_accepted);
    }

    // A load replaces the flow; a file that cannot be read, or a bad head, leaves the flow as
    // it was; later damage keeps only the whole records before it. Damage comes with a report
    // of what is wrong and how much was read.
    void load_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: the test's folder
        QTest::addColumn<QStringList>("left");  // the header (when loaded) and the operations
        QTest::addColumn<QString>("message");   // empty: loaded
        QTest::addColumn<QString>("report");
        const QByteArray three = threeOperations();
        const QString nothing = "\n没有读到任何操作（文件共 %1 字节）。";
        const QString read = "\n已读取 %1 个操作中的 %2 个，即文件 %3 字节中的前 %4 字节。";
        QTest::newRow("three operations")
            << three << QStringList{"[three][][F7][c][m]", kMove, kClick, kText} << ""
            << "";
        QTest::newRow("negative count: none") << FlowBytes().header("n", "", "", "", "", -1).bytes()
                                              << QStringList{"[n][][][][]"} << ""
                                              << "";
        QTest::newRow("a folder") << QByteArray() << QStringList{kKept}
                                  << "无法读取文件 " + m_dir.path() + ":\n不是普通文件."
                                  << "";
        QTest::newRow("little-endian head")
            << QByteArray::fromHex("79D8628E") + QByteArray(24, 0) << QStringList{kKept}
            << "unknown file Head: 2044224142"
            << "文件头是 79D8628E，不是操作流文件的 8E62D879。" + nothing.arg(28);
        QTest::newRow("too short for a head")
            << QByteArray::fromHex("8E62D8") << QStringList{kKept}
            << "flow file is too short (3 bytes) to hold its head"
            << "文件只有 3 字节，放不下操作流文件的文件头。" + nothing.arg(3);
        QTest::newRow("cut inside the second payload")
            << three.left(46 + 36 + 26 + 9) << QStringList{kMove}
            << "flow file ends inside operation 2 of 3 (mouse_click)"
            << "文件在第 2 个操作（mouse_click）中间就结束了。" +
                   read.arg(3).arg(1).arg(117).arg(82);
        QTest::newRow("a byte too many")
            << three + '\0' << QStringList{kMove, kClick, kText}
            << "flow file has 1 unexpected bytes after the last operation"
            << "最后一个操作之后还有 1 字节无法识别的内容。" + read.arg(3).arg(3).arg(167).arg(166);
        QTest::newRow("unknown type")
            << three.left(46 + 36) + FlowBytes().str("mouse_drag").ints({50, 1, 1}).bytes()
            << QStringList{kMove} << "unknown operation type: \"mouse_drag\""
            << "第 2 个操作的类型“mouse_drag”未知。" + read.arg(3).arg(1).arg(118).arg(82);
        QTest::newRow("negative count before a record")
            << FlowBytes().header("n", "", "", "", "", -2).str("mouse_move").ints({1, 1, 1}).bytes()
            << QStringList{} << "flow file gives a negative operation count (-2) before 36 bytes"
            << "操作个数是负数（-2），其后却还有 36 字节。" + read.arg(0).arg(0).arg(66).arg(30);
    }
    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, left);
        QFETCH(QString, message);
        QFETCH(QString, report);
        Flow flow;
        QPointer<Operation> old = fillWithOneMove(flow);
        LogCapture log;
        const bool unreadable = bytes.isNull();
        QCOMPARE(flow.load(unreadable ? m_dir.path() : write("load.flow", bytes)),
                 message.isEmpty());
        QCOMPARE(flow.lastFailure(), message.isEmpty() ? Flow::Failure::None
                                     : unreadable      ? Flow::Failure::CannotOpen
                                                       : Flow::Failure::BadContent);
        QCOMPARE(flow.lastLoadReport(), report);
        QCOMPARE(flow.lastError(), message);
        QCOMPARE(log.messages(QtWarningMsg),
                 message.isEmpty() ? QStringList() : QStringList{message});
        // Damage is only logged; a file that cannot be read is also shown to the user.
        QCOMPARE(m_presenter.shown.size(), int(unreadable));
        if (unreadable) QCOMPARE(m_presenter.shown[0].section('|', 1), message);
        QCOMPARE(bool(old), left == QStringList{kKept});
        QCOMPARE(flow.name() == "kept", bool(old));
        QCOMPARE(describe(flow).mid(message.isEmpty() ? 0 : 1), left);
        QCOMPARE(flow.findChildren<Operation*>().size(), flow.operationCount());
        if (!message.isEmpty()) QVERIFY(!flow.hotkeyObject && m_hotkeys.grabs.isEmpty());
    }

    // The loaded file's hotkey goes to the flow's one hotkey object, and a file without one
    // keeps it; a refused grab is logged and the flow still loads.
    void hotkeyFollowsTheLoadedFile_data() {
        QTest::addColumn<bool>("granted");
        QTest::newRow("granted") << true;
        QTest::newRow("refused") << false;
    }
    void hotkeyFollowsTheLoadedFile() {
        QFETCH(bool, granted);
        m_hotkeys.accepting = granted;
        LogCapture log;
        Flow flow;
        QVERIFY(flow.load(write("a.flow", emptyFlow("Ctrl+F9"))));
        QPointer<GlobalHotkey> hotkey = flow.hotkeyObject;
        QVERIFY(flow.load(write("b.flow", emptyFlow("Alt+F10"))));
        QVERIFY(flow.load(write("none.flow", emptyFlow(""))));
        QVERIFY(hotkey && flow.hotkeyObject == hotkey);
        QCOMPARE(flow.findChildren<GlobalHotkey*>().size(), 1);
        QCOMPARE(hotkey->shortcut(), QKeySequence(Qt::ALT + Qt::Key_F10));
        QCOMPARE(hotkey->isRegistered(), granted);
        QCOMPARE(m_hotkeys.grabs,
                 (QList<int>{int(Qt::CTRL | Qt::Key_F9), int(Qt::ALT | Qt::Key_F10)}));
        QCOMPARE(m_hotkeys.held,
                 granted ? QList<GlobalHotkey*>{hotkey.data()} : QList<GlobalHotkey*>());
        QCOMPARE(log.messages(QtWarningMsg).filter("not registered").size(), granted ? 0 : 2);
        QVERIFY(m_presenter.shown.isEmpty());
        QSignalSpy spy(&flow, &Flow::sigHotkeyActivated);
        emit hotkey->activated();
        QCOMPARE(spy.size(), 1);  // connected once
        QCOMPARE(spy[0][0].value<Flow*>(), &flow);
    }

    // Every cut, every flipped bit and every position of a few extreme words.
    void damageAtEveryPosition_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<quint32>("word");
        QTest::newRow("cut") << "cut" << 0u;
        QTest::newRow("one bit flipped") << "flip" << 0u;
        for (quint32 word : {0xFFFFFFFFu, 0xFFFFFFFEu, 0x7FFFFFFFu, 0x80000000u, 0u})
            QTest::addRow("the word %08x written", word) << "word" << word;
    }
    void damageAtEveryPosition() {
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

    // A few changes at once at random places, from three fixed random starts.
    void randomDamage() {
        const quint32 huge[] = {0xFFFFFFFF, 0xFFFFFFFE, 0x7FFFFFFF, 0x80000000, 0x7FFFFFFE};
        for (const quint32 start : {1u, 20240501u, 0xC0FFEEu}) {
            QRandomGenerator random(start);
            const std::function<void(QByteArray&, int)> changes[] = {
                [&](QByteArray& b, int at) { b[at] = char(random.bounded(256)); },
                [&](QByteArray& b, int at) { b.remove(at, 1 + random.bounded(16)); },
                [&](QByteArray& b, int at) {
                    b.insert(at, b.mid(random.bounded(b.size()), 1 + random.bounded(64)));
                },
                [&](QByteArray& b, int at) {
                    b.replace(at, 4, FlowBytes().u32(huge[random.bounded(5)]).bytes());
                }};
            for (int round = 0; round < 500; ++round) {
                QByteArray bytes = m_valid;
                for (int n = 1 + random.bounded(4); n > 0 && !bytes.isEmpty(); --n) {
                    const int at = random.bounded(bytes.size());
                    changes[random.bounded(4)](bytes, at);
                }
                const QString problem = check(bytes);
                const QString at = QStringLiteral("start %1, round %2: ").arg(start).arg(round);
                QVERIFY2(problem.isEmpty(), qPrintable(at + problem));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestFlowFile)
#include "tst_flowfile.moc"
