#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

#include "FakeHotkeyBackend.h"
#include "Flow.h"
#include "FlowBytes.h"
#include "GlobalHotkey.h"
#include "LogCapture.h"
#include "OperationValues.h"
#include "Platform.h"
#include "RecordingPresenter.h"

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
    for (const Operation* op : flow.operations) out << OperationValues::describe(op);
    return out;
}

// A 46-byte header with the hotkey F7, then a move (36 bytes), a click (46) and a text (38).
QByteArray threeOperations() {
    FlowBytes b;
    b.header("three", "", "F7", "c", "m", 3).str("mouse_move").ints({10, 1, 2});
    return b.str("mouse_click")
        .ints({20, 3, 4, 1, 2})
        .str("text_input")
        .ints({30})
        .str("abc")
        .bytes();
}

QByteArray emptyFlow(const QString& hotkey) {
    return FlowBytes().header("", "", hotkey, "", "", 0).bytes();
}

// A move that sabotages the save it is written in, to reach the failures a real disk
// reaches only when it is full or the folder vanishes.
class SabotagingMove : public MouseMoveOperation {
public:
    explicit SabotagingMove(std::function<void(QDataStream&)> onWrite) : action(onWrite) {}
    void writeTo(QDataStream& stream) const override {
        MouseMoveOperation::writeTo(stream);
        action(stream);
    }
    std::function<void(QDataStream&)> action;
};
}  // namespace

// Flow::save and Flow::load: the bytes of the format, what a load replaces and keeps,
// how damaged files and file errors are reported, and the flow's own hotkey.
class TestFlowFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::vector<std::unique_ptr<Operation>> prototypes;
    FakeHotkeyBackend hotkeys;
    std::unique_ptr<RecordingPresenter> presenter;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        return FlowBytes::writeFile(path(name), bytes) ? path(name) : QString();
    }
    // A flow holding one move, to see what a load keeps of it.
    static QPointer<Operation> fillWithOneMove(Flow& flow) {
        flow.setHeader("kept", "", "", "", "");
        flow.operations << OperationValues::make(kKept);
        flow.operations.last()->setParent(&flow);
        return flow.operations.last();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        prototypes = OperationValues::registerOwnedPrototypes();
        Platform::setHotkeys(&hotkeys);
    }
    void init() {
        presenter = std::make_unique<RecordingPresenter>();
        hotkeys = FakeHotkeyBackend();
    }
    void cleanup() { presenter.reset(); }
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    void newFlowIsEmptyAndDatedNow() {
        const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
        const QString before = QDateTime::currentDateTime().toString(format);
        Flow flow;
        const QString now = flow.createTime();
        QVERIFY2(now >= before && now <= QDateTime::currentDateTime().toString(format),
                 qPrintable(now));
        QCOMPARE(describe(flow), QStringList{"[][][][" + now + "][" + now + "]"});
        // Empty, not null, on disk too.
        QVERIFY(flow.save(path("new.flow")));
        QCOMPARE(FlowBytes::readFile(path("new.flow")),
                 FlowBytes().header("", "", "", now, now, 0).bytes());
    }

    void saveWritesTheFormatAndLoadReadsItBack() {
        Flow original;
        original.setHeader("流程 😀", "line one\nline two", "Ctrl+F9", "c", QString());
        for (const char* op : {"key_input interval=75 eventType=2 key=[Tab] modifiers=0x0a000000",
                               "mouse_click position=(-5,7) clickType=1 clickButton=2",
                               "mouse_move interval=-1 position=(1919,-2147483648)", "text_input",
                               "text_input interval=0 text=[x😀y\n]", "text_input text=[]"}) {
            original.operations << OperationValues::make(op);
            original.operations.last()->setParent(&original);
        }
        const QString file = path("kinds.flow");
        QVERIFY(original.save(file));
        QCOMPARE(original.lastFailure(), Flow::Failure::None);
        FlowBytes b;
        b.header("流程 😀", "line one\nline two", "Ctrl+F9", "c", QString(), 6);
        b.str("key_input").ints({75, 2}).str("Tab").ints({0x0A000000});
        b.str("mouse_click").ints({50, -5, 7, 1, 2});
        b.str("mouse_move").ints({-1, 1919, -2147483647 - 1});
        b.str("text_input").ints({50}).str(QString()).str("text_input").ints({0}).str("x😀y\n");
        b.str("text_input").ints({50}).str("");
        const QByteArray bytes = FlowBytes::readFile(file);
        QCOMPARE(bytes.toHex(), b.bytes().toHex());
        Flow loaded;
        QVERIFY2(loaded.load(file), qPrintable(loaded.lastError()));
        QCOMPARE(describe(loaded), describe(original));
        for (const Operation* op : loaded.operations) QCOMPARE(op->parent(), &loaded);
        // Saving leaves the timestamps alone: the same bytes again.
        QVERIFY(loaded.save(file));
        QCOMPARE(FlowBytes::readFile(file), bytes);
    }

    void loadReplacesTheFlow_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("loaded");
        QTest::newRow("three operations")
            << threeOperations() << QStringList{"[three][][F7][c][m]", kMove, kClick, kText};
        QTest::newRow("head and zeros")
            << QByteArray::fromHex("8E62D879") + QByteArray(24, 0) << QStringList{"[][][][][]"};
        QTest::newRow("negative count")
            << FlowBytes().header("n", "", "", "", "", -1).bytes() << QStringList{"[n][][][][]"};
    }
    void loadReplacesTheFlow() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, loaded);
        auto* flow = new Flow;
        QPointer<Operation> old = fillWithOneMove(*flow);
        QPointer<Operation> orphan = OperationValues::make("text_input");  // no parent
        flow->operations << orphan;
        QVERIFY(flow->load(write("load.flow", bytes)));
        QVERIFY(!old && !orphan);
        QCOMPARE(describe(*flow), loaded);
        QCOMPARE(flow->findChildren<Operation*>().size(), loaded.size() - 1);
        // Destroying the flow deletes its operations, those without a parent too.
        flow->operations << (orphan = OperationValues::make("key_input"));
        delete flow;
        QVERIFY(!orphan);
    }

    void damagedFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("left");  // the operations the flow holds afterwards
        const QString ends = "flow file ends %1 operation %2";
        const QByteArray three = threeOperations();
        const QByteArray oneMove =
            FlowBytes().header("", "", "F7", "", "", 2).str("mouse_move").ints({10, 1, 2}).bytes();
        QTest::newRow("little-endian head")
            << QByteArray::fromHex("79D8628E") + QByteArray(24, 0)
            << "unknown file Head: 2044224142" << QStringList{kKept};
        QTest::newRow("cut inside the name")
            << three.left(10) << "flow file is cut short or corrupt in its header" << QStringList{};
        QTest::newRow("cut after the count")
            << three.left(46) << ends.arg("before", "1 of 3") << QStringList{};
        QTest::newRow("cut inside the second payload")
            << three.left(46 + 36 + 26 + 9) << ends.arg("inside", "2 of 3 (mouse_click)")
            << QStringList{kMove};
        QTest::newRow("last byte missing")
            << three.chopped(1) << ends.arg("inside", "3 of 3 (text_input)")
            << QStringList{kMove, kClick};
        QTest::newRow("a byte too many")
            << three + '\0' << "flow file has 1 unexpected bytes after the last operation"
            << QStringList{kMove, kClick, kText};
        QTest::newRow("unknown type")
            << oneMove + FlowBytes().str("mouse_drag").ints({50, 1, 1}).bytes()
            << "unknown operation type: \"mouse_drag\"" << QStringList{kMove};
        QTest::newRow("null type") << oneMove + FlowBytes().u32(0xFFFFFFFF).ints({50, 1, 1}).bytes()
                                   << "unknown operation type: \"\"" << QStringList{kMove};
    }
    void damagedFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QFETCH(QStringList, left);
        Flow flow;
        QPointer<Operation> old = fillWithOneMove(flow);
        LogCapture log;
        QVERIFY(!flow.load(write("damaged.flow", bytes)));
        QCOMPARE(flow.lastError(), message);
        QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
        QCOMPARE(log.messages(QtWarningMsg), QStringList{message});
        QVERIFY(presenter->shown.isEmpty());  // logged, never shown
        // A bad head leaves the flow as it was; later damage keeps the records before
        // it, and no half-read record stays behind as a child.
        QCOMPARE(bool(old), message.startsWith("unknown file Head"));
        QCOMPARE(flow.name() == "kept", bool(old));
        QCOMPARE(describe(flow).mid(1), left);
        QCOMPARE(flow.findChildren<Operation*>().size(), flow.operations.size());
        QVERIFY(!flow.hotkeyObject && hotkeys.grabs.isEmpty());
    }

    void fileErrorsAreShownAndLogged_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("target");
        QTest::newRow("read a missing file") << "read"
                                             << "missing.flow";
        QTest::newRow("read a folder") << "read"
                                       << "folder";
        QTest::newRow("write into a missing folder") << "write"
                                                     << "no/such/folder.flow";
        QTest::newRow("write over a folder") << "write"
                                             << "folder";
        QTest::newRow("write to an empty name") << "write"
                                                << "";
        // A failed stream is a full disk; moving the folder away during the write makes
        // the final rename fail, as a vanished or read-only folder would.
        QTest::newRow("the stream fails") << "stream"
                                          << "save/kept.flow";
        QTest::newRow("the final rename fails") << "rename"
                                                << "save/kept.flow";
    }
    void fileErrorsAreShownAndLogged() {
        QFETCH(QString, failure);
        QFETCH(QString, target);
        QVERIFY(QDir(dir.path()).mkpath("folder") && QDir(dir.path()).mkpath("save"));
        QVERIFY(FlowBytes::writeFile(path("save/kept.flow"), threeOperations()));
        const QString file = target.isEmpty() ? QString() : path(target);
        Flow flow;
        QPointer<Operation> kept = fillWithOneMove(flow);
        flow.operations << new SabotagingMove([&](QDataStream& stream) {
            if (failure == "stream") stream.setStatus(QDataStream::WriteFailed);
            if (failure == "rename") QVERIFY(QDir().rename(path("save"), path("moved")));
        });
        LogCapture log;
        QVERIFY(!(failure == "read" ? flow.load(file) : flow.save(file)));
        if (failure == "rename") QVERIFY(QDir().rename(path("moved"), path("save")));
        // The previous file stays whole, with no half-written file beside it.
        QCOMPARE(FlowBytes::readFile(path("save/kept.flow")), threeOperations());
        QCOMPARE(QDir(path("save")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"kept.flow"});
        QCOMPARE(presenter->shown.size(), 1);
        QCOMPARE(presenter->shown[0].first, QString("TapwiseZindra-键盘鼠标自动化输入工具"));
        const QString text = presenter->shown[0].second;
        const QString prefix =
            QString(failure == "read" ? "无法读取文件 " : "无法写入文件 ") + file + ":\n";
        QVERIFY2(text.startsWith(prefix) && text.endsWith('.') && text.size() > prefix.size() + 1,
                 qPrintable(text));
        QFile probe(file);
        QVERIFY(failure != "read" || !probe.open(QIODevice::ReadOnly));
        if (failure == "read") QCOMPARE(text, prefix + probe.errorString() + '.');
        QCOMPARE(log.messages(QtWarningMsg), QStringList{text});
        QCOMPARE(flow.lastError(), text);
        QCOMPARE(flow.lastFailure(),
                 failure == "read" ? Flow::Failure::CannotOpen : Flow::Failure::CannotWrite);
        QVERIFY(kept && flow.name() == "kept");
    }

    void withoutAPresenterTheLogStillTells() {
        presenter.reset();
        Flow flow;
        LogCapture log;
        QVERIFY(!flow.load(path("absent.flow")));
        QVERIFY(!flow.save(path("absent/absent.flow")));
        QCOMPARE(log.messages(QtWarningMsg).size(), 2);
    }

    void hotkeyFollowsTheLoadedFile() {
        LogCapture log;
        Flow flow;
        QVERIFY(flow.load(write("a.flow", emptyFlow("Ctrl+F9"))));
        QPointer<GlobalHotkey> hotkey = flow.hotkeyObject;
        QVERIFY(hotkey && hotkey->isRegistered());
        // Another file's hotkey is grabbed by the same object; a file without one keeps it.
        QVERIFY(flow.load(write("b.flow", emptyFlow("Alt+F10"))));
        QVERIFY(flow.load(write("none.flow", emptyFlow(""))));
        QCOMPARE(flow.hotkeyObject, hotkey.data());
        QCOMPARE(flow.findChildren<GlobalHotkey*>().size(), 1);
        QCOMPARE(hotkey->shortcut(), QKeySequence(Qt::ALT + Qt::Key_F10));
        QCOMPARE(hotkeys.grabs,
                 (QList<int>{int(Qt::CTRL | Qt::Key_F9), int(Qt::ALT | Qt::Key_F10)}));
        QCOMPARE(hotkeys.held, QList<GlobalHotkey*>{hotkey.data()});
        QCOMPARE(log.messages(QtWarningMsg),
                 QStringList{"Hotkey registe successfully, hotkey is  \"Alt+F10\""});
        // Connected once: one activation, one signal.
        QSignalSpy spy(&flow, &Flow::sigHotkeyActivated);
        emit hotkey->activated();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].value<Flow*>(), &flow);
    }

    void refusedHotkeyStillLoads() {
        hotkeys.accepting = false;
        Flow flow;
        LogCapture log;
        QVERIFY(flow.load(write("f9.flow", emptyFlow("F9"))));
        QVERIFY(flow.hotkeyObject && !flow.hotkeyObject->isRegistered());
        QCOMPARE(log.messages(QtWarningMsg).size(), 1);  // one line says why
        QVERIFY(flow.load(write("f8.flow", emptyFlow("F8"))));
        QCOMPARE(flow.hotkeyObject->shortcut(), QKeySequence(Qt::Key_F8));
        QVERIFY(!flow.hotkeyObject->isRegistered());
        QVERIFY(log.messages(QtWarningMsg).contains("Hotkey registe fail, hotkey is  \"F8\""));
        QCOMPARE(flow.findChildren<GlobalHotkey*>().size(), 1);
        QVERIFY(presenter->shown.isEmpty() && hotkeys.held.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFlowFile)
#include "tst_flowfile.moc"
