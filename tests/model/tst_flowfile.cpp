#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
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

const auto emptyFlow = [](const char* hotkey) {
    return FlowBytes().header("", "", hotkey, "", "", 0).bytes();
};

// A move that sabotages its own save, to reach what a full disk or a vanished folder reaches.
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

// Flow::save and Flow::load: the format's bytes, what a load keeps, errors, the flow's hotkey.
class TestFlowFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<Operation>> m_prototypes =
        OperationValues::registerOwnedPrototypes();
    FakeHotkeyBackend m_hotkeys;
    RecordingPresenter m_presenter;

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

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Platform::setHotkeys(&m_hotkeys);
    }
    void init() {
        m_presenter.shown.clear();
        m_hotkeys = FakeHotkeyBackend();
    }
    void cleanupTestCase() { Platform::setHotkeys(nullptr); }

    void newFlowIsEmptyAndDatedNow() {
        Flow flow;
        const QString now = flow.createTime();
        const QDateTime created = QDateTime::fromString(now, "yyyy-MM-dd hh:mm:ss");
        QVERIFY2(qAbs(created.secsTo(QDateTime::currentDateTime())) <= 1, qPrintable(now));
        QCOMPARE(describe(flow), QStringList{"[][][][" + now + "][" + now + "]"});  // not null
    }

    void saveWritesTheFormatAndLoadReadsItBack() {
        Flow original;
        original.setHeader("流程 😀", "line one\nline two", "Ctrl+F9", "c", QString());
        for (const char* op : {"key_input interval=75 eventType=2 key=[Tab] modifiers=0x0a000000",
                               "mouse_click position=(-5,7) clickType=1 clickButton=2",
                               "mouse_move interval=-1 position=(1919,-2147483648)", "text_input",
                               "text_input interval=0 text=[x😀y\n]", "text_input text=[]"}) {
            original.appendOperation(OperationValues::make(op));
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
        for (const Operation* op : loaded.operations()) QCOMPARE(op->parent(), &loaded);
    }

    // A load replaces the flow; a damaged file fails with a message and a report of what is
    // wrong and how much was read: a bad head leaves the flow as it was, later damage keeps
    // only the whole records before it.
    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("left");  // the header (when loaded) and the operations
        QTest::addColumn<QString>("message");   // empty: loaded
        QTest::addColumn<QString>("report");
        const QByteArray three = threeOperations();
        const QString nothing = "\n没有读到任何操作（文件共 %1 字节）。";
        const QString read = "\n已读取 %1 个操作中的 %2 个，即文件 %3 字节中的前 %4 字节。";
        QTest::newRow("three operations")
            << three << QStringList{"[three][][F7][c][m]", kMove, kClick, kText} << ""
            << "";
        QTest::newRow("negative count") << FlowBytes().header("n", "", "", "", "", -1).bytes()
                                        << QStringList{"[n][][][][]"} << ""
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
        QCOMPARE(flow.load(write("load.flow", bytes)), message.isEmpty());
        QCOMPARE(flow.lastFailure(),
                 message.isEmpty() ? Flow::Failure::None : Flow::Failure::BadContent);
        QCOMPARE(flow.lastLoadReport(), report);
        QCOMPARE(flow.lastError(), message);
        QCOMPARE(log.messages(QtWarningMsg),
                 message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(m_presenter.shown.isEmpty());  // logged, never shown
        QCOMPARE(bool(old), left == QStringList{kKept});
        QCOMPARE(flow.name() == "kept", bool(old));
        QCOMPARE(describe(flow).mid(message.isEmpty() ? 0 : 1), left);
        QCOMPARE(flow.findChildren<Operation*>().size(), flow.operationCount());
        if (!message.isEmpty()) QVERIFY(!flow.hotkeyObject && m_hotkeys.grabs.isEmpty());
    }

    void fileErrorsAreShownAndLogged_data() {
        QTest::addColumn<QString>("failure");  // what fails, and the file's name
        QTest::newRow("read a folder") << "read folder";
        QTest::newRow("write over a folder") << "write folder";
        QTest::newRow("write to an empty name") << "write";
        // A flow that cannot be serialised writes nothing; moving the folder away mid-write
        // fails the final rename. A full disk is tested on a real one, with flowctl.
        QTest::newRow("the stream fails") << "stream save/kept.flow";
        QTest::newRow("the final rename fails") << "rename save/kept.flow";
    }
    void fileErrorsAreShownAndLogged() {
        QFETCH(QString, failure);
        QVERIFY(QDir(m_dir.path()).mkpath("folder") && QDir(m_dir.path()).mkpath("save"));
        QVERIFY(FlowBytes::writeFile(path("save/kept.flow"), threeOperations()));
        const QString target = failure.section(' ', 1),
                      file = target.isEmpty() ? QString() : path(target);
        failure = failure.section(' ', 0, 0);
        Flow flow;
        QPointer<Operation> kept = fillWithOneMove(flow);
        flow.appendOperation(std::make_unique<SabotagingMove>([&](QDataStream& stream) {
            if (failure == "stream") stream.setStatus(QDataStream::WriteFailed);
            if (failure == "rename") QVERIFY(QDir().rename(path("save"), path("moved")));
        }));
        LogCapture log;
        QVERIFY(!(failure == "read" ? flow.load(file) : flow.save(file)));
        if (failure == "rename") QVERIFY(QDir().rename(path("moved"), path("save")));
        // The previous file stays whole, with no half-written file beside it.
        QCOMPARE(FlowBytes::readFile(path("save/kept.flow")), threeOperations());
        QCOMPARE(QDir(path("save")).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"kept.flow"});
        const QString text = flow.lastError(),
                      prefix =
                          (failure == "read" ? "无法读取文件 " : "无法写入文件 ") + file + ":\n";
        QVERIFY2(text.startsWith(prefix) && text.endsWith('.') && text.size() > prefix.size() + 1,
                 qPrintable(text));
        QCOMPARE(m_presenter.shown.size(), 1);
        QCOMPARE(m_presenter.shown[0].section('|', 1), text);
        QCOMPARE(log.messages(QtWarningMsg), QStringList{text});
        QCOMPARE(flow.lastFailure(),
                 failure == "read" ? Flow::Failure::CannotOpen : Flow::Failure::CannotWrite);
        QVERIFY(kept && flow.name() == "kept");
    }

    void hotkeyFollowsTheLoadedFile_data() {
        QTest::addColumn<bool>("granted");
        QTest::newRow("granted") << true;
        QTest::newRow("refused: the flow still loads") << false;
    }
    void hotkeyFollowsTheLoadedFile() {
        QFETCH(bool, granted);
        m_hotkeys.accepting = granted;
        LogCapture log;
        Flow flow;
        QVERIFY(flow.load(write("a.flow", emptyFlow("Ctrl+F9"))));
        QPointer<GlobalHotkey> hotkey = flow.hotkeyObject;
        QVERIFY(hotkey && hotkey->isRegistered() == granted);
        QCOMPARE(log.messages(QtWarningMsg).size(), granted ? 0 : 1);  // a refusal says why
        // Another file's hotkey goes to the same object; a file without one keeps it.
        QVERIFY(flow.load(write("b.flow", emptyFlow("Alt+F10"))));
        QVERIFY(flow.load(write("none.flow", emptyFlow(""))));
        QVERIFY(flow.hotkeyObject == hotkey && flow.findChildren<GlobalHotkey*>().size() == 1);
        QCOMPARE(hotkey->shortcut(), QKeySequence(Qt::ALT + Qt::Key_F10));
        QCOMPARE(hotkey->isRegistered(), granted);
        QCOMPARE(m_hotkeys.grabs,
                 (QList<int>{int(Qt::CTRL | Qt::Key_F9), int(Qt::ALT | Qt::Key_F10)}));
        QCOMPARE(m_hotkeys.held,
                 granted ? QList<GlobalHotkey*>{hotkey.data()} : QList<GlobalHotkey*>());
        QVERIFY(m_presenter.shown.isEmpty());
        // Connected once: one activation, one signal.
        QSignalSpy spy(&flow, &Flow::sigHotkeyActivated);
        emit hotkey->activated();
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy[0][0].value<Flow*>(), &flow);
    }
};

QTEST_GUILESS_MAIN(TestFlowFile)
#include "tst_flowfile.moc"
