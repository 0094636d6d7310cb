#include <QDateTime>
#include <QDir>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "FakeHotkeyBackend.h"
#include "Flow.h"
#include "FlowBytes.h"
#include "GlobalHotkey.h"
#include "LogCapture.h"
#include "MouseMoveOperation.h"
#include "Operation.h"
#include "OperationFactory.h"
#include "OperationValues.h"
#include "Platform.h"
#include "RecordingPresenter.h"
#include "UnavailableHotkeyBackend.h"

namespace {

const char* const kTitle = "TapwiseZindra-键盘鼠标自动化输入工具";
const QString kTime = QStringLiteral("2024-05-01 08:00:00");

struct OpSpec {
    QString type;
    QVariantMap values;
};
using OpSpecs = QList<OpSpec>;

struct Header {
    QString name, description, hotkey, created, modified;
};

// The record bytes as the format describes them, from the same values the test
// sets on the operation; unset values are the class defaults.
void appendRecord(FlowBytes& b, const OpSpec& op) {
    const QVariantMap& v = op.values;
    const qint32 interval = v.value("interval", 50).toInt();
    const QPoint p = v.value("position", QPoint()).toPoint();
    if (op.type == "key_input")
        b.keyRecord(interval, v.value("eventType", 0).toInt(),
                    v.value("key", QString("")).toString(), v.value("modifiers", 0).toInt());
    else if (op.type == "mouse_click")
        b.clickRecord(interval, p.x(), p.y(), v.value("clickType", 0).toInt(),
                      v.value("clickButton", 0).toInt());
    else if (op.type == "mouse_move")
        b.moveRecord(interval, p.x(), p.y());
    else if (op.type == "text_input")
        b.textRecord(interval, v.contains("text") ? v.value("text").toString() : QString());
}

QByteArray expectedBytes(const Header& h, const OpSpecs& ops) {
    FlowBytes b;
    b.header(h.name, h.description, h.hotkey, h.created, h.modified, ops.size());
    for (const OpSpec& op : ops) appendRecord(b, op);
    return b.bytes();
}

QStringList describeHeader(const Flow& flow) {
    auto d = [](const QString& s) { return s.isNull() ? QStringLiteral("<null>") : '"' + s + '"'; };
    return {d(flow.name()), d(flow.description()), d(flow.hotkey), d(flow.createTime()),
            d(flow.lastModifiedTime())};
}

QStringList describeOperations(const Flow& flow) {
    QStringList out;
    for (const Operation* op : flow.operations)
        out << op->typeName() + ' ' + OperationValues::describe(op).join(' ');
    return out;
}

// An operation that sabotages the save it is written in, to reach the failure
// paths that a real disk reaches only when it is full or the folder vanishes.
class SabotagingOperation : public Operation {
public:
    explicit SabotagingOperation(std::function<void(QDataStream&)> onWrite)
        : action(std::move(onWrite)) {}
    QString category() const override { return QString(); }
    QString typeName() const override { return QStringLiteral("mouse_move"); }
    QString displayName() const override { return QString(); }
    QString iconPath() const override { return QString(); }
    void execute() override {}
    void writeTo(QDataStream& stream) const override {
        stream << qint32(1) << qint32(2) << qint32(3);
        action(stream);
    }
    void readFrom(QDataStream&) override {}
    QString description() const override { return QString(); }
    Operation* clone(QObject*) const override { return nullptr; }

private:
    std::function<void(QDataStream&)> action;
};

}  // namespace

Q_DECLARE_METATYPE(OpSpecs)

class TestFlowFile : public QObject {
    Q_OBJECT

private:
    QString path(const QString& name) const { return dir.filePath(name); }
    // A flow holding one operation, so tests can see that a failed load keeps it.
    static void fillWithOneMove(Flow& flow, QPointer<Operation>* op);
    static QByteArray threeOperationFile();

    QTemporaryDir dir;
    std::vector<std::unique_ptr<Operation>> prototypes;
    FakeHotkeyBackend hotkeys;
    std::unique_ptr<RecordingPresenter> presenter;

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void newFlowDefaults();
    void propertiesAndClassInfo();
    void exampleBytesOfAOneMoveFlow();
    void roundTrip_data();
    void roundTrip();
    void loadReplacesTheOperations();
    void destructionDeletesTheOperations();
    void headFollowedByZeros();
    void loadLogsTheHeaderAtDebugLevel();

    void rejectedHeads_data();
    void rejectedHeads();
    void unknownTypeKeepsWhatWasRead_data();
    void unknownTypeKeepsWhatWasRead();
    void truncatedFiles_data();
    void truncatedFiles();
    void trailingBytesAreRejected_data();
    void trailingBytesAreRejected();
    void negativeCountLoadsEmpty_data();
    void negativeCountLoadsEmpty();
    void hugeLengthsAndCounts_data();
    void hugeLengthsAndCounts();

    void cannotOpenForReading_data();
    void cannotOpenForReading();
    void cannotOpenForWriting_data();
    void cannotOpenForWriting();
    void failedCommitKeepsThePreviousFile();
    void failedWriteKeepsThePreviousFile();
    void withoutPresenterTheLogStillTells();

    void hotkeyIsCreatedOnceAndConnected();
    void reloadReusesTheHotkey();
    void emptyHotkeyLeavesTheOldOne();
    void refusedHotkeyStillLoads();
    void destroyingTheFlowReleasesTheGrab();
    void withoutADesktopTheHotkeyStaysUnregistered();
};

void TestFlowFile::initTestCase() {
    QVERIFY(dir.isValid());
    prototypes = OperationValues::registerOwnedPrototypes();
    Platform::setHotkeys(&hotkeys);
}

void TestFlowFile::init() {
    presenter = std::make_unique<RecordingPresenter>();
    hotkeys.setAccepting(true);
    hotkeys.grabs.clear();
    hotkeys.ungrabs.clear();
}

void TestFlowFile::cleanup() {
    presenter.reset();
}

void TestFlowFile::cleanupTestCase() {
    Platform::setHotkeys(nullptr);
}

void TestFlowFile::fillWithOneMove(Flow& flow, QPointer<Operation>* op) {
    flow.setHeader("kept", "kept description", "", "2000-01-01 00:00:00", "2000-01-02 00:00:00");
    auto* move = new MouseMoveOperation(&flow);
    move->setPosition(QPoint(1, 2));
    flow.operations.append(move);
    *op = move;
}

QByteArray TestFlowFile::threeOperationFile() {
    return FlowBytes()
        .header("three", "", "", kTime, kTime, 3)
        .moveRecord(10, 1, 2)
        .clickRecord(20, 3, 4, 1, 2)
        .textRecord(30, "abc")
        .bytes();
}

void TestFlowFile::newFlowDefaults() {
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Flow flow;
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);
    QVERIFY(flow.operations.isEmpty());
    QCOMPARE(describeHeader(flow).mid(0, 3), (QStringList{"\"\"", "\"\"", "\"\""}));
    const QDateTime created = QDateTime::fromString(flow.createTime(), "yyyy-MM-dd hh:mm:ss");
    QVERIFY2(created.isValid(), qPrintable(flow.createTime()));
    QVERIFY(created >= before.addMSecs(-before.time().msec()) && created <= after);
    QCOMPARE(flow.lastModifiedTime(), flow.createTime());
    QCOMPARE(flow.hotkeyObject, static_cast<GlobalHotkey*>(nullptr));

    // Empty, not null, on disk too: three lengths of zero after the magic.
    QVERIFY(flow.save(path("new.flow")));
    QCOMPARE(FlowBytes::readFile(path("new.flow")),
             FlowBytes().header("", "", "", flow.createTime(), flow.createTime(), 0).bytes());
}

void TestFlowFile::propertiesAndClassInfo() {
    Flow flow;
    const QMetaObject* mo = flow.metaObject();
    QStringList props;
    for (int i = QObject::staticMetaObject.propertyCount(); i < mo->propertyCount(); ++i) {
        const QMetaProperty p = mo->property(i);
        QVERIFY(p.isDesignable() && p.isScriptable() && p.isStored());
        props << QString::fromLatin1(p.name()) + (p.isWritable() ? " rw" : " r");
    }
    // Only the description can be edited in the designer.
    QCOMPARE(props,
             (QStringList{"name r", "description rw", "createTime r", "lastModifiedTime r"}));
    QMap<QString, QString> info;
    for (int i = 0; i < mo->classInfoCount(); ++i)
        info.insert(mo->classInfo(i).name(), QString::fromUtf8(mo->classInfo(i).value()));
    QCOMPARE(info,
             (QMap<QString, QString>{{"prop_name", QString::fromUtf8("流名称")},
                                     {"prop_description", QString::fromUtf8("流描述")},
                                     {"prop_createTime", QString::fromUtf8("创建时间")},
                                     {"prop_lastModifiedTime", QString::fromUtf8("修改时间")}}));
}

void TestFlowFile::exampleBytesOfAOneMoveFlow() {
    Flow flow;
    flow.setHeader("", "", "", kTime, kTime);
    auto* move = new MouseMoveOperation(&flow);
    move->setPosition(QPoint(100, 200));
    flow.operations.append(move);
    QVERIFY(flow.save(path("example.flow")));

    QByteArray time;
    for (char c : QByteArray("2024-05-01 08:00:00")) time.append('\0').append(c);
    QByteArray moveName;
    for (char c : QByteArray("mouse_move")) moveName.append('\0').append(c);
    const QByteArray expected =
        QByteArray::fromHex(
            "8E62D879"
            "00000000"
            "00000000"
            "00000000") +
        QByteArray::fromHex("00000026") + time + QByteArray::fromHex("00000026") + time +
        QByteArray::fromHex("00000001") + QByteArray::fromHex("00000014") + moveName +
        QByteArray::fromHex(
            "00000032"
            "00000064"
            "000000C8");
    QCOMPARE(expected.size(), 4 + 12 + 2 * (4 + 38) + 4 + 4 + 20 + 12);
    QCOMPARE(FlowBytes::readFile(path("example.flow")).toHex(), expected.toHex());
}

void TestFlowFile::roundTrip_data() {
    QTest::addColumn<QStringList>("header");
    QTest::addColumn<OpSpecs>("ops");
    const QStringList plain{"", "", "", kTime, kTime};
    QTest::newRow("key") << plain
                         << OpSpecs{{"key_input",
                                     {{"interval", 75},
                                      {"eventType", 2},
                                      {"key", "Tab"},
                                      {"modifiers", int(Qt::ShiftModifier | Qt::AltModifier)}}}};
    QTest::newRow("key with empty text") << plain << OpSpecs{{"key_input", {}}};
    QTest::newRow("click")
        << plain
        << OpSpecs{{"mouse_click",
                    {{"position", QPoint(-5, 7)}, {"clickType", 1}, {"clickButton", 2}}}};
    QTest::newRow("move") << plain << OpSpecs{{"mouse_move", {{"position", QPoint(1919, 1079)}}}};
    QTest::newRow("null text") << plain << OpSpecs{{"text_input", {}}};
    QTest::newRow("empty text") << plain << OpSpecs{{"text_input", {{"text", QString("")}}}};
    QTest::newRow("text outside the BMP")
        << plain << OpSpecs{{"text_input", {{"text", QString::fromUtf8("x😀y中\n")}}}};
    QTest::newRow("lone surrogate")
        << plain << OpSpecs{{"text_input", {{"text", QString(QChar(0xD800))}}}};
    QTest::newRow("negative coordinates and intervals")
        << plain
        << OpSpecs{{"mouse_move", {{"interval", -1}, {"position", QPoint(-1, -2147483647 - 1)}}},
                   {"mouse_click", {{"interval", 0}, {"position", QPoint(-32000, -1)}}}};
    QTest::newRow("values outside the choices")
        << plain
        << OpSpecs{{"key_input", {{"eventType", 9}, {"modifiers", -1}, {"key", "no such key"}}},
                   {"mouse_click", {{"clickType", -4}, {"clickButton", 2147483647}}}};
    QTest::newRow("one of each type")
        << QStringList{QString::fromUtf8("流程 😀"), "line one\nline two", "Ctrl+F9", kTime,
                       "2024-06-02 09:10:11"}
        << OpSpecs{{"key_input",
                    {{"eventType", 0}, {"key", "A"}, {"modifiers", int(Qt::ControlModifier)}}},
                   {"mouse_click", {{"position", QPoint(-5, 7)}}},
                   {"mouse_move", {{"interval", 1000}, {"position", QPoint(100, 200)}}},
                   {"text_input", {}}};
    OpSpecs many;
    for (int i = 0; i < 300; ++i)
        many << OpSpec{i % 2 ? "mouse_move" : "text_input",
                       i % 2 ? QVariantMap{{"position", QPoint(i, -i)}}
                             : QVariantMap{{"text", QString::number(i)}}};
    QTest::newRow("three hundred operations") << plain << many;
    QTest::newRow("no operations") << QStringList{"n", "d", "", "", ""} << OpSpecs{};
}

void TestFlowFile::roundTrip() {
    QFETCH(QStringList, header);
    QFETCH(OpSpecs, ops);
    const Header h{header[0], header[1], header[2], header[3], header[4]};
    Flow original;
    original.setHeader(h.name, h.description, h.hotkey, h.created, h.modified);
    for (const OpSpec& spec : ops) {
        Operation* op = OperationValues::create(spec.type);
        QVERIFY(OperationValues::apply(op, spec.values));
        op->setParent(&original);
        original.operations.append(op);
    }
    const QString file = path("roundtrip.flow");
    QVERIFY(original.save(file));
    QCOMPARE(original.lastFailure(), Flow::Failure::None);
    const QByteArray bytes = FlowBytes::readFile(file);
    QCOMPARE(bytes.toHex(), expectedBytes(h, ops).toHex());

    Flow loaded;
    QVERIFY2(loaded.load(file), qPrintable(loaded.lastError()));
    QCOMPARE(describeHeader(loaded), describeHeader(original));
    QCOMPARE(describeOperations(loaded), describeOperations(original));
    for (const Operation* op : loaded.operations) QCOMPARE(op->parent(), &loaded);

    // Saving does not touch the timestamps: the second file is the same bytes.
    QVERIFY(loaded.save(file));
    QCOMPARE(FlowBytes::readFile(file), bytes);
    QVERIFY(original.save(file));
    QCOMPARE(FlowBytes::readFile(file), bytes);
}

void TestFlowFile::loadReplacesTheOperations() {
    Flow flow;
    QPointer<Operation> old;
    fillWithOneMove(flow, &old);
    QPointer<Operation> orphan = OperationValues::create("text_input");  // no parent
    flow.operations.append(orphan);
    QVERIFY(FlowBytes::writeFile(path("three.flow"), threeOperationFile()));
    QVERIFY(flow.load(path("three.flow")));
    QVERIFY(!old);
    QVERIFY(!orphan);
    QCOMPARE(flow.name(), QString("three"));
    QCOMPARE(flow.operations.size(), 3);
    QCOMPARE(describeOperations(flow),
             (QStringList{"mouse_move interval=10 position=(1,2)",
                          "mouse_click interval=20 position=(3,4) clickType=1 clickButton=2",
                          "text_input interval=30 text=\"abc\""}));
}

void TestFlowFile::destructionDeletesTheOperations() {
    auto* flow = new Flow;
    QPointer<Operation> child;
    fillWithOneMove(*flow, &child);
    QPointer<Operation> orphan = OperationValues::create("key_input");
    flow->operations.append(orphan);
    delete flow;
    QVERIFY(!child);
    QVERIFY(!orphan);
}

void TestFlowFile::headFollowedByZeros() {
    QVERIFY(FlowBytes::writeFile(path("zeros.flow"),
                                 QByteArray::fromHex("8E62D879") + QByteArray(24, '\0')));
    Flow flow;
    QPointer<Operation> old;
    fillWithOneMove(flow, &old);
    QVERIFY(flow.load(path("zeros.flow")));
    QVERIFY(flow.operations.isEmpty());
    QVERIFY(!old);
    QCOMPARE(describeHeader(flow), (QStringList{"\"\"", "\"\"", "\"\"", "\"\"", "\"\""}));
    QCOMPARE(flow.hotkeyObject, static_cast<GlobalHotkey*>(nullptr));
}

void TestFlowFile::loadLogsTheHeaderAtDebugLevel() {
    QVERIFY(FlowBytes::writeFile(path("header.flow"),
                                 FlowBytes().header("N", "D", "", "C", "M", 0).bytes()));
    LogCapture log;
    Flow flow;
    QVERIFY(flow.load(path("header.flow")));
    // Composed as a debug stream: the filled text is one string, so it is quoted.
    QCOMPARE(
        log.messages("tapwise", QtDebugMsg),
        QStringList{"\"FlowName=N, FlowDesc=D,FlowHotkey=,FlowCreateTime=C,FlowModifiedTime=M\""});
    QVERIFY(log.messages("tapwise", QtWarningMsg).isEmpty());
}

void TestFlowFile::rejectedHeads_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("logged");
    const QByteArray rest = QByteArray(24, '\0');
    QTest::newRow("little-endian head")
        << QByteArray::fromHex("79D8628E") + rest << "unknown file Head: 2044224142";
    QTest::newRow("head off by one")
        << QByteArray::fromHex("8E62D87A") + rest << "unknown file Head: 2388842618";
    QTest::newRow("text") << QByteArray("FLOW") + rest << "unknown file Head: 1179406167";
    QTest::newRow("zero head") << QByteArray(28, '\0') << "unknown file Head: 0";
    QTest::newRow("empty file") << QByteArray() << "unknown file Head: 0";
    QTest::newRow("three bytes of the head")
        << QByteArray::fromHex("8E62D8") << "unknown file Head: 0";
}

void TestFlowFile::rejectedHeads() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, logged);
    QVERIFY(FlowBytes::writeFile(path("head.flow"), bytes));
    Flow flow;
    QPointer<Operation> kept;
    fillWithOneMove(flow, &kept);
    const QStringList header = describeHeader(flow);
    LogCapture log;
    QVERIFY(!flow.load(path("head.flow")));
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{logged});
    QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
    QCOMPARE(flow.lastError(), logged);
    // The flow is untouched and nothing is shown: it is a log-only failure.
    QVERIFY(kept);
    QCOMPARE(flow.operations, QList<Operation*>{kept.data()});
    QCOMPARE(describeHeader(flow), header);
    QVERIFY(presenter->shown.isEmpty());
}

void TestFlowFile::unknownTypeKeepsWhatWasRead_data() {
    QTest::addColumn<QString>("badType");
    QTest::addColumn<QString>("logged");
    QTest::newRow("unregistered") << "mouse_drag"
                                  << "unknown operation type: \"mouse_drag\"";
    QTest::newRow("upper case") << "MOUSE_MOVE"
                                << "unknown operation type: \"MOUSE_MOVE\"";
    QTest::newRow("empty") << ""
                           << "unknown operation type: \"\"";
    QTest::newRow("null") << QString() << "unknown operation type: \"\"";
    QTest::newRow("display name") << QString::fromUtf8("移动鼠标")
                                  << QString::fromUtf8("unknown operation type: \"移动鼠标\"");
}

void TestFlowFile::unknownTypeKeepsWhatWasRead() {
    QFETCH(QString, badType);
    QFETCH(QString, logged);
    // A good record, the bad one with a move's payload, then another good one.
    const QByteArray bytes = FlowBytes()
                                 .header("new name", "new description", "F7", kTime, kTime, 3)
                                 .textRecord(5, "first")
                                 .str(badType)
                                 .i32(50)
                                 .i32(1)
                                 .i32(1)
                                 .moveRecord(50, 9, 9)
                                 .bytes();
    QVERIFY(FlowBytes::writeFile(path("unknown.flow"), bytes));
    Flow flow;
    QPointer<Operation> old;
    fillWithOneMove(flow, &old);
    LogCapture log;
    QVERIFY(!flow.load(path("unknown.flow")));
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{logged});
    QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
    // The header is replaced, the record before the bad one stays, the hotkey
    // step never runs.
    QCOMPARE(describeHeader(flow), (QStringList{"\"new name\"", "\"new description\"", "\"F7\"",
                                                '"' + kTime + '"', '"' + kTime + '"'}));
    QVERIFY(!old);
    QCOMPARE(describeOperations(flow), QStringList{"text_input interval=5 text=\"first\""});
    QCOMPARE(flow.findChildren<Operation*>().size(), 1);
    QCOMPARE(flow.hotkeyObject, static_cast<GlobalHotkey*>(nullptr));
    QVERIFY(hotkeys.grabs.isEmpty());
    QVERIFY(presenter->shown.isEmpty());
}

void TestFlowFile::truncatedFiles_data() {
    QTest::addColumn<int>("cut");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("operationsLeft");
    // Layout of the three-operation file: header (4 + 4+10 + 4 + 4 + 4+38 + 4+38 + 4 = 114
    // bytes), a move record (4+20 + 12), a click record (4+22 + 20), a text record (4+20 + 4+4+6).
    const int header = 114, move = 36, click = 46, text = 38;
    QCOMPARE(threeOperationFile().size(), header + move + click + text);
    QTest::newRow("inside the name")
        << 10 << "flow file is cut short or corrupt in its header" << 0;
    QTest::newRow("inside the count")
        << header - 2 << "flow file is cut short or corrupt in its header" << 0;
    QTest::newRow("right after the count")
        << header << "flow file ends before operation 1 of 3" << 0;
    QTest::newRow("inside the second type name")
        << header + move + 5 << "flow file ends before operation 2 of 3" << 1;
    QTest::newRow("inside the second payload")
        << header + move + 26 + 9 << "flow file ends inside operation 2 of 3 (mouse_click)" << 1;
    QTest::newRow("last byte missing")
        << header + move + click + text - 1 << "flow file ends inside operation 3 of 3 (text_input)"
        << 2;
}

void TestFlowFile::truncatedFiles() {
    QFETCH(int, cut);
    QFETCH(QString, message);
    QFETCH(int, operationsLeft);
    QVERIFY(FlowBytes::writeFile(path("cut.flow"), threeOperationFile().left(cut)));
    Flow flow;
    LogCapture log;
    QVERIFY(!flow.load(path("cut.flow")));
    QCOMPARE(flow.lastError(), message);
    QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{message});
    QCOMPARE(flow.operations.size(), operationsLeft);
    // The record that was cut is not half-kept as a child either.
    QCOMPARE(flow.findChildren<Operation*>().size(), operationsLeft);
}

void TestFlowFile::trailingBytesAreRejected_data() {
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<QString>("message");
    QTest::newRow("one zero byte")
        << QByteArray(1, '\0') << "flow file has 1 unexpected bytes after the last operation";
    QTest::newRow("a fourth record")
        << FlowBytes().moveRecord(1, 2, 3).bytes()
        << "flow file has 36 unexpected bytes after the last operation";
}

void TestFlowFile::trailingBytesAreRejected() {
    QFETCH(QByteArray, extra);
    QFETCH(QString, message);
    QVERIFY(FlowBytes::writeFile(path("trailing.flow"), threeOperationFile() + extra));
    Flow flow;
    QVERIFY(!flow.load(path("trailing.flow")));
    QCOMPARE(flow.lastError(), message);
    QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
}

void TestFlowFile::negativeCountLoadsEmpty_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("-1") << -1;
    QTest::newRow("lowest") << int(0x80000000);
}

void TestFlowFile::negativeCountLoadsEmpty() {
    QFETCH(int, count);
    QVERIFY(FlowBytes::writeFile(path("negative.flow"),
                                 FlowBytes().header("neg", "", "", kTime, kTime, count).bytes()));
    Flow flow;
    QPointer<Operation> old;
    fillWithOneMove(flow, &old);
    QVERIFY2(flow.load(path("negative.flow")), qPrintable(flow.lastError()));
    QVERIFY(flow.operations.isEmpty());
    QVERIFY(!old);
    QCOMPARE(flow.name(), QString("neg"));
}

// Length and count fields that promise gigabytes must fail at the first read past
// the end, quickly and without allocating for the promise.
void TestFlowFile::hugeLengthsAndCounts_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QString header = "flow file is cut short or corrupt in its header";
    auto nameOfLength = [](quint32 length) {
        return FlowBytes().u32(FlowBytes::kMagic).u32(length).raw(QByteArray(64, 'x')).bytes();
    };
    QTest::newRow("name of 4 GiB - 2") << nameOfLength(0xFFFFFFFE) << header;
    QTest::newRow("name of 2 GiB") << nameOfLength(0x80000000) << header;
    QTest::newRow("name of 2 GiB - 2") << nameOfLength(0x7FFFFFFE) << header;
    QTest::newRow("name of odd length") << nameOfLength(3) << header;
    QTest::newRow("name of 4 GiB - 3") << nameOfLength(0xFFFFFFFD) << header;
    const QByteArray start = FlowBytes().header("", "", "", kTime, kTime, 0x7FFFFFFF).bytes();
    QTest::newRow("count near 2^31, nothing after")
        << start << "flow file ends before operation 1 of 2147483647";
    QTest::newRow("count near 2^31, one record")
        << start + FlowBytes().moveRecord(1, 2, 3).bytes()
        << "flow file ends before operation 2 of 2147483647";
    const QByteArray oneRecord = FlowBytes().header("", "", "", "", "", 1).bytes();
    QTest::newRow("type name of 4 GiB - 2")
        << oneRecord + FlowBytes().u32(0xFFFFFFFE).raw(QByteArray(100, 'a')).bytes()
        << "flow file ends before operation 1 of 1";
    QTest::newRow("key of 4 GiB - 16")
        << oneRecord + FlowBytes().str("key_input").i32(1).i32(2).u32(0xFFFFFFF0).bytes()
        << "flow file ends inside operation 1 of 1 (key_input)";
    QTest::newRow("text of 2 GiB - 2")
        << oneRecord + FlowBytes().str("text_input").i32(1).u32(0x7FFFFFFE).raw("abcd").bytes()
        << "flow file ends inside operation 1 of 1 (text_input)";
}

void TestFlowFile::hugeLengthsAndCounts() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    QVERIFY(FlowBytes::writeFile(path("huge.flow"), bytes));
    Flow flow;
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!flow.load(path("huge.flow")));
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(flow.lastError(), message);
    QCOMPARE(flow.lastFailure(), Flow::Failure::BadContent);
}

void TestFlowFile::cannotOpenForReading_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("missing file") << "missing.flow";
    QTest::newRow("missing folder") << "no/such/folder.flow";
    QTest::newRow("a folder") << "folder";
}

void TestFlowFile::cannotOpenForReading() {
    QFETCH(QString, target);
    QVERIFY(QDir(dir.path()).mkpath("folder"));
    const QString file = path(target);
    QFile probe(file);
    QVERIFY(!probe.open(QIODevice::ReadOnly));
    const QString expected =
        QString::fromUtf8("无法读取文件 ") + file + ":\n" + probe.errorString() + '.';

    Flow flow;
    QPointer<Operation> kept;
    fillWithOneMove(flow, &kept);
    LogCapture log;
    QVERIFY(!flow.load(file));
    QCOMPARE(presenter->shown.size(), 1);
    QCOMPARE(presenter->shown[0].first, QString::fromUtf8(kTitle));
    QCOMPARE(presenter->shown[0].second, expected);
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{expected});
    QCOMPARE(flow.lastError(), expected);
    QCOMPARE(flow.lastFailure(), Flow::Failure::CannotOpen);
    QVERIFY(kept);
    QCOMPARE(flow.name(), QString("kept"));
}

void TestFlowFile::cannotOpenForWriting_data() {
    QTest::addColumn<QString>("target");
    QTest::newRow("missing folder") << "no/such/folder.flow";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("empty name") << "";
}

void TestFlowFile::cannotOpenForWriting() {
    QFETCH(QString, target);
    QVERIFY(QDir(dir.path()).mkpath("folder"));
    const QString file = target.isEmpty() ? QString() : path(target);
    Flow flow;
    LogCapture log;
    QVERIFY(!flow.save(file));
    QCOMPARE(presenter->shown.size(), 1);
    QCOMPARE(presenter->shown[0].first, QString::fromUtf8(kTitle));
    const QString text = presenter->shown[0].second;
    const QString prefix = QString::fromUtf8("无法写入文件 ") + file + ":\n";
    QVERIFY2(text.startsWith(prefix) && text.endsWith('.') && text.size() > prefix.size() + 1,
             qPrintable(text));
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{text});
    QCOMPARE(flow.lastFailure(), Flow::Failure::CannotWrite);
    QCOMPARE(flow.lastError(), text);
    QVERIFY(QFileInfo(path("folder")).isDir());
}

void TestFlowFile::failedCommitKeepsThePreviousFile() {
    const QString folder = path("commit");
    const QString moved = path("commit-moved");
    QVERIFY(QDir(dir.path()).mkpath("commit"));
    const QString file = folder + "/kept.flow";
    const QByteArray previous = threeOperationFile();
    QVERIFY(FlowBytes::writeFile(file, previous));

    // Moving the folder away while the new content is being written makes the
    // final rename fail, as a vanished or read-only folder would.
    Flow flow;
    flow.operations.append(
        new SabotagingOperation([&](QDataStream&) { QVERIFY(QDir().rename(folder, moved)); }));
    LogCapture log;
    QVERIFY(!flow.save(file));
    QVERIFY(QDir().rename(moved, folder));

    QCOMPARE(FlowBytes::readFile(file), previous);
    QCOMPARE(presenter->shown.size(), 1);
    QCOMPARE(presenter->shown[0].first, QString::fromUtf8(kTitle));
    const QString prefix = QString::fromUtf8("无法写入文件 ") + file + ":\n";
    QVERIFY2(presenter->shown[0].second.startsWith(prefix), qPrintable(presenter->shown[0].second));
    QVERIFY(presenter->shown[0].second.endsWith('.'));
    QCOMPARE(log.messages("tapwise", QtWarningMsg), QStringList{presenter->shown[0].second});
    QCOMPARE(flow.lastFailure(), Flow::Failure::CannotWrite);
}

void TestFlowFile::failedWriteKeepsThePreviousFile() {
    QVERIFY(QDir(dir.path()).mkpath("write"));
    const QString file = path("write/kept.flow");
    const QByteArray previous = threeOperationFile();
    QVERIFY(FlowBytes::writeFile(file, previous));

    Flow flow;
    flow.operations.append(new SabotagingOperation(
        [](QDataStream& stream) { stream.setStatus(QDataStream::WriteFailed); }));
    QVERIFY(!flow.save(file));
    QCOMPARE(FlowBytes::readFile(file), previous);
    QCOMPARE(presenter->shown.size(), 1);
    QCOMPARE(presenter->shown[0].first, QString::fromUtf8(kTitle));
    QCOMPARE(flow.lastFailure(), Flow::Failure::CannotWrite);
    // No half-written temporary file is left beside it.
    QCOMPARE(QDir(path("write")).entryList(QDir::Files | QDir::Hidden), QStringList{"kept.flow"});
}

void TestFlowFile::withoutPresenterTheLogStillTells() {
    presenter.reset();
    QCOMPARE(ErrorPresenter::installed(), static_cast<ErrorPresenter*>(nullptr));
    Flow flow;
    LogCapture log;
    QVERIFY(!flow.load(path("absent.flow")));
    QVERIFY(!flow.save(path("absent/absent.flow")));
    QCOMPARE(log.messages("tapwise", QtWarningMsg).size(), 2);
}

void TestFlowFile::hotkeyIsCreatedOnceAndConnected() {
    QVERIFY(FlowBytes::writeFile(path("hotkey.flow"),
                                 FlowBytes().header("", "", "Ctrl+F9", kTime, kTime, 0).bytes()));
    Flow flow;
    LogCapture log;
    QVERIFY(flow.load(path("hotkey.flow")));
    QVERIFY(flow.hotkeyObject);
    QCOMPARE(flow.findChildren<GlobalHotkey*>(), QList<GlobalHotkey*>{flow.hotkeyObject});
    QVERIFY(flow.hotkeyObject->isRegistered());
    QCOMPARE(flow.hotkeyObject->shortcut(), QKeySequence(Qt::CTRL + Qt::Key_F9));
    QCOMPARE(hotkeys.grabs.size(), 1);
    QCOMPARE(hotkeys.grabs[0].key, Qt::Key_F9);
    QCOMPARE(hotkeys.grabs[0].modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
    QVERIFY(log.messages("tapwise", QtWarningMsg).isEmpty());

    QSignalSpy spy(&flow, &Flow::sigHotkeyActivated);
    emit flow.hotkeyObject->activated();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy[0][0].value<Flow*>(), &flow);
}

void TestFlowFile::reloadReusesTheHotkey() {
    QVERIFY(FlowBytes::writeFile(path("a.flow"),
                                 FlowBytes().header("", "", "Ctrl+F9", kTime, kTime, 0).bytes()));
    QVERIFY(FlowBytes::writeFile(path("b.flow"),
                                 FlowBytes().header("", "", "Alt+F10", kTime, kTime, 0).bytes()));
    Flow flow;
    QVERIFY(flow.load(path("a.flow")));
    QPointer<GlobalHotkey> first = flow.hotkeyObject;
    LogCapture log;
    QVERIFY(flow.load(path("b.flow")));
    QVERIFY(first);
    QCOMPARE(flow.hotkeyObject, first.data());
    QCOMPARE(flow.findChildren<GlobalHotkey*>().size(), 1);
    QCOMPARE(flow.hotkeyObject->shortcut(), QKeySequence(Qt::ALT + Qt::Key_F10));
    QVERIFY(flow.hotkeyObject->isRegistered());
    QCOMPARE(hotkeys.held, QList<GlobalHotkey*>{first.data()});
    QCOMPARE(hotkeys.grabs.last().key, Qt::Key_F10);
    QCOMPARE(log.messages("tapwise", QtWarningMsg),
             QStringList{"Hotkey registe successfully, hotkey is  \"Alt+F10\""});

    // Still connected once: one activation, one signal.
    QSignalSpy spy(&flow, &Flow::sigHotkeyActivated);
    emit flow.hotkeyObject->activated();
    QCOMPARE(spy.size(), 1);
}

void TestFlowFile::emptyHotkeyLeavesTheOldOne() {
    QVERIFY(FlowBytes::writeFile(path("a.flow"),
                                 FlowBytes().header("", "", "Ctrl+F9", kTime, kTime, 0).bytes()));
    QVERIFY(FlowBytes::writeFile(path("none.flow"),
                                 FlowBytes().header("", "", "", kTime, kTime, 0).bytes()));
    Flow flow;
    QVERIFY(flow.load(path("a.flow")));
    GlobalHotkey* hotkey = flow.hotkeyObject;
    const int grabs = hotkeys.grabs.size();
    QVERIFY(flow.load(path("none.flow")));
    QCOMPARE(flow.hotkeyObject, hotkey);
    QVERIFY(hotkey->isRegistered());
    QCOMPARE(hotkey->shortcut(), QKeySequence(Qt::CTRL + Qt::Key_F9));
    QCOMPARE(hotkeys.grabs.size(), grabs);
    QVERIFY(hotkeys.ungrabs.isEmpty());
}

void TestFlowFile::refusedHotkeyStillLoads() {
    hotkeys.setAccepting(false);
    QVERIFY(FlowBytes::writeFile(path("f9.flow"),
                                 FlowBytes().header("", "", "F9", kTime, kTime, 0).bytes()));
    QVERIFY(FlowBytes::writeFile(path("f8.flow"),
                                 FlowBytes().header("", "", "F8", kTime, kTime, 0).bytes()));
    Flow flow;
    {
        LogCapture log;
        QVERIFY(flow.load(path("f9.flow")));
        QVERIFY(flow.hotkeyObject);
        QVERIFY(!flow.hotkeyObject->isRegistered());
        QCOMPARE(flow.findChildren<GlobalHotkey*>().size(), 1);
        // One line says why; nothing is shown to the user.
        QCOMPARE(log.messages("tapwise", QtWarningMsg).size(), 1);
        QVERIFY(presenter->shown.isEmpty());
    }
    {
        LogCapture log;
        QVERIFY(flow.load(path("f8.flow")));
        QVERIFY(!flow.hotkeyObject->isRegistered());
        QCOMPARE(flow.hotkeyObject->shortcut(), QKeySequence(Qt::Key_F8));
        QVERIFY(log.messages("tapwise", QtWarningMsg)
                    .contains("Hotkey registe fail, hotkey is  \"F8\""));
    }
    QVERIFY(hotkeys.held.isEmpty());
}

void TestFlowFile::destroyingTheFlowReleasesTheGrab() {
    QVERIFY(FlowBytes::writeFile(path("a.flow"),
                                 FlowBytes().header("", "", "Ctrl+F9", kTime, kTime, 0).bytes()));
    auto* flow = new Flow;
    QVERIFY(flow->load(path("a.flow")));
    QCOMPARE(hotkeys.held.size(), 1);
    delete flow;
    QVERIFY(hotkeys.held.isEmpty());
}

// Where no backend can grab keys: the flow still loads, its hotkey exists
// unregistered, and one log line says why.
void TestFlowFile::withoutADesktopTheHotkeyStaysUnregistered() {
    QVERIFY(FlowBytes::writeFile(path("f9.flow"),
                                 FlowBytes().header("", "", "F9", kTime, kTime, 0).bytes()));
    UnavailableHotkeyBackend standIn(QStringLiteral("no desktop in this test"));
    Platform::setHotkeys(&standIn);
    {
        Flow flow;
        LogCapture log;
        QVERIFY(flow.load(path("f9.flow")));
        QVERIFY(flow.hotkeyObject);
        QVERIFY(!flow.hotkeyObject->isRegistered());
        const QStringList lines = log.messages("tapwise", QtWarningMsg);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].contains("F9") && lines[0].contains("no desktop in this test"),
                 qPrintable(lines[0]));
    }

    // The same through the process's own service, with no display to reach.
    const QByteArray display = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    Platform::setHotkeys(nullptr);
    for (int load = 0; load < 2; ++load) {
        Flow flow;
        LogCapture log;
        QVERIFY(flow.load(path("f9.flow")));
        QVERIFY(flow.hotkeyObject);
        QVERIFY(!flow.hotkeyObject->isRegistered());
        const QStringList lines = log.messages("tapwise", QtWarningMsg);
        if (load == 0)
            QEXPECT_FAIL("",
                         "the hotkey service logs its own unavailability when it is first made, "
                         "in the same words as the refused registration",
                         Continue);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines.last().contains("DISPLAY"), qPrintable(lines.join(" // ")));
        QVERIFY(presenter->shown.isEmpty());
    }
    Platform::setHotkeys(&hotkeys);
    if (!display.isNull()) qputenv("DISPLAY", display);
    if (!wayland.isNull()) qputenv("WAYLAND_DISPLAY", wayland);
}

QTEST_GUILESS_MAIN(TestFlowFile)
#include "tst_flowfile.moc"
