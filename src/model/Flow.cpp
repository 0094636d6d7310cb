#include "model/Flow.h"

#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>

#include "core/AppLog.h"
#include "model/ErrorPresenter.h"
#include "model/FileSaver.h"
#include "model/Operation.h"
#include "model/OperationFactory.h"
#include "platform/GlobalHotkey.h"

namespace {
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_5_13;  // version 19

// A log text composed the way a QDebug stream writes it (blanks between the
// parts, strings quoted), so the same words can be logged and shown.
template <typename... Parts>
QString debugText(const Parts&... parts) {
    QString text;
    QDebug d(&text);
    (void)std::initializer_list<int>{((d << parts), 0)...};
    return text.trimmed();
}
}  // namespace

Flow::Flow(QObject* parent) : QObject(parent) {
    m_createTime = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    m_lastModifiedTime = m_createTime;
}

Flow::~Flow() {
    // The operations are children of the flow: QObject deletes them in one pass,
    // with the hotkey object.
    m_operations.clear();
}

void Flow::clearOperations() {
    qDeleteAll(m_operations);
    m_operations.clear();
}

void Flow::setDescription(const QString& text) {
    m_description = text;
    emit headerChanged();
}

Operation* Flow::operationAt(int row) const {
    return row >= 0 && row < m_operations.size() ? m_operations.at(row) : nullptr;
}

bool Flow::insertOperations(int row, std::vector<std::unique_ptr<Operation>> ops) {
    if (row < 0 || row > m_operations.size()) return false;
    if (ops.empty()) return true;
    const int last = row + int(ops.size()) - 1;
    emit operationsAboutToBeInserted(row, last);
    QList<Operation*> tail = m_operations.mid(row);
    m_operations.erase(m_operations.begin() + row, m_operations.end());
    m_operations.reserve(m_operations.size() + int(ops.size()) + tail.size());
    for (std::unique_ptr<Operation>& op : ops) {
        op->setParent(this);
        m_operations.append(op.release());
    }
    m_operations.append(tail);
    emit operationsInserted(row, last);
    return true;
}

void Flow::appendOperation(std::unique_ptr<Operation> op) {
    std::vector<std::unique_ptr<Operation>> one;
    one.push_back(std::move(op));
    insertOperations(m_operations.size(), std::move(one));
}

std::vector<std::unique_ptr<Operation>> Flow::takeOperations(int row, int count) {
    std::vector<std::unique_ptr<Operation>> taken;
    if (row < 0 || count <= 0 || count > m_operations.size() - row) return taken;
    emit operationsAboutToBeRemoved(row, row + count - 1);
    taken.reserve(count);
    // In list order, which is usually the order of the flow's children, so that
    // QObject finds each one early in that list.
    for (int i = row; i < row + count; ++i) {
        m_operations.at(i)->setParent(nullptr);
        taken.emplace_back(m_operations.at(i));
    }
    m_operations.erase(m_operations.begin() + row, m_operations.begin() + row + count);
    emit operationsRemoved(row, row + count - 1);
    return taken;
}

bool Flow::moveOperation(int from, int to) {
    const int count = m_operations.size();
    if (from < 0 || from >= count || to < 0 || to >= count || from == to) return false;
    emit operationAboutToBeMoved(from, to);
    m_operations.move(from, to);
    emit operationMoved(from, to);
    return true;
}

bool Flow::setOperationValue(int row, const char* name, const QVariant& value) {
    Operation* op = operationAt(row);
    if (!op || !op->setProperty(name, value)) return false;
    emit operationChanged(row);
    return true;
}

void Flow::setHeader(const QString& name, const QString& description, const QString& hotkeyText,
                     const QString& createTime, const QString& lastModifiedTime) {
    m_name = name;
    m_description = description;
    hotkey = hotkeyText;
    m_createTime = createTime;
    m_lastModifiedTime = lastModifiedTime;
    emit headerChanged();
}

void Flow::onHotkeyActivated() {
    emit sigHotkeyActivated(this);
}

bool Flow::fail(Failure kind, const QString& text) {
    m_failure = kind;
    m_errorText = text;
    qCWarning(appLog).noquote() << text;
    return false;
}

bool Flow::save(const QString& path) {
    m_failure = Failure::None;
    m_errorText.clear();
    auto reportWriteError = [&](const QString& reason) {
        const QString text = tr("无法写入文件") + tr(" %1:\n%2.").arg(path, reason);
        ErrorPresenter::warn(tr("TapwiseZindra-键盘鼠标自动化输入工具"), text);
        return fail(Failure::CannotWrite, text);
    };

    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << quint32(kFileMagic) << m_name << m_description << hotkey << m_createTime
        << m_lastModifiedTime << quint32(m_operations.size());
    for (const Operation* op : qAsConst(m_operations)) {
        out << op->typeName();
        op->writeTo(out);
    }
    if (out.status() != QDataStream::Ok)
        return reportWriteError(QStringLiteral("the flow does not fit in memory"));
    QString error;
    return FileSaver::save(path, bytes, &error) || reportWriteError(error);
}

bool Flow::load(const QString& path) {
    m_failure = Failure::None;
    m_errorText.clear();
    m_loadReport.clear();
    QFile file(path);
    // A FIFO or a device would block the open or never end; only regular files are read.
    const QFileInfo info(path);
    const bool special = info.exists() && !info.isFile();
    if (special || !file.open(QIODevice::ReadOnly)) {
        const QString reason = special ? tr("不是普通文件") : file.errorString();
        const QString text = tr("无法读取文件") + tr(" %1:\n%2.").arg(path, reason);
        ErrorPresenter::warn(tr("TapwiseZindra-键盘鼠标自动化输入工具"), text);
        return fail(Failure::CannotOpen, text);
    }

    qint32 count = -1;  // -1 until the header has been read
    qint64 used = 0;    // bytes of the head, the header and the whole records read
    // Logs `logText` and keeps, for the user, what is wrong and how much was read.
    auto damaged = [&](const QString& logText, const QString& problem) {
        const QString extent =
            count < 0 ? tr("没有读到任何操作（文件共 %1 字节）。").arg(file.size())
                      : tr("已读取 %1 个操作中的 %2 个，即文件 %3 字节中的前 %4 字节。")
                            .arg(count)
                            .arg(m_operations.size())
                            .arg(file.size())
                            .arg(used);
        m_loadReport = problem + '\n' + extent;
        return fail(Failure::BadContent, logText);
    };

    QDataStream in(&file);
    in.setVersion(kStreamVersion);
    quint32 head = 0;
    in >> head;
    if (in.status() != QDataStream::Ok)
        return damaged(
            QStringLiteral("flow file is too short (%1 bytes) to hold its head").arg(file.size()),
            tr("文件只有 %1 字节，放不下操作流文件的文件头。").arg(file.size()));
    if (head != kFileMagic)
        return damaged(debugText("unknown file Head:", head),
                       tr("文件头是 %1，不是操作流文件的 8E62D879。")
                           .arg(head, 8, 16, QLatin1Char('0'))
                           .toUpper());

    // Whatever the load keeps, views start over from it.
    emit aboutToBeReset();
    struct AnnounceReset {
        Flow* flow;
        ~AnnounceReset() { emit flow->resetDone(); }
    } announceReset{this};
    clearOperations();
    in >> m_name >> m_description >> hotkey >> m_createTime >> m_lastModifiedTime;
    qCDebug(appLog)
        << QStringLiteral(
               "FlowName=%1, FlowDesc=%2,FlowHotkey=%3,FlowCreateTime=%4,FlowModifiedTime=%5")
               .arg(m_name, m_description, hotkey, m_createTime, m_lastModifiedTime);

    qint32 declared = 0;
    in >> declared;
    if (in.status() != QDataStream::Ok)
        return damaged(QStringLiteral("flow file is cut short or corrupt in its header"),
                       tr("文件在头部信息中间就结束了，或头部已损坏。"));
    count = qMax(declared, 0);
    used = file.pos();

    // Every read is bounded by the file's size: a count near 2^31 or a string length
    // near 4 GiB ends at the first read past the end instead of allocating for it.
    for (qint32 i = 0; i < count; ++i) {
        QString type;
        in >> type;
        if (in.status() != QDataStream::Ok)
            return damaged(
                QStringLiteral("flow file ends before operation %1 of %2").arg(i + 1).arg(count),
                tr("文件在第 %1 个操作之前就结束了。").arg(i + 1));
        std::unique_ptr<Operation> op = OperationFactory::instance()->create(type);
        if (!op)
            return damaged(debugText("unknown operation type:", type),
                           tr("第 %1 个操作的类型“%2”未知。").arg(i + 1).arg(type));
        op->readFrom(in);
        if (in.status() != QDataStream::Ok)
            return damaged(QStringLiteral("flow file ends inside operation %1 of %2 (%3)")
                               .arg(i + 1)
                               .arg(count)
                               .arg(type),
                           tr("文件在第 %1 个操作（%2）中间就结束了。").arg(i + 1).arg(type));
        op->setParent(this);
        m_operations.append(op.release());
        used = file.pos();
    }
    if (!in.atEnd()) {
        // The format has no trailer: bytes after the last record mean the file is not
        // what it claims, and saving it back would silently drop them.
        const qint64 extra = file.size() - used;
        if (declared < 0)
            return damaged(
                QStringLiteral("flow file gives a negative operation count (%1) before %2 bytes")
                    .arg(declared)
                    .arg(extra),
                tr("操作个数是负数（%1），其后却还有 %2 字节。").arg(declared).arg(extra));
        return damaged(
            QStringLiteral("flow file has %1 unexpected bytes after the last operation").arg(extra),
            tr("最后一个操作之后还有 %1 字节无法识别的内容。").arg(extra));
    }

    if (!hotkey.isEmpty()) registerHotkey();
    return true;
}

void Flow::registerHotkey() {
    const QKeySequence sequence(hotkey, QKeySequence::NativeText);
    if (!hotkeyObject) {
        // A refused grab is logged by the hotkey itself; the flow loads all the same.
        hotkeyObject = new GlobalHotkey(sequence, true, this);
        connect(hotkeyObject, &GlobalHotkey::activated, this, &Flow::onHotkeyActivated);
        return;
    }
    if (hotkeyObject->isRegistered()) hotkeyObject->setRegistered(false);
    hotkeyObject->setShortcut(sequence, false);
    if (!hotkeyObject->isRegistered()) hotkeyObject->setRegistered(true);
    // Composed as a debug stream like the unknown-type line: parts apart, text quoted.
    if (hotkeyObject->isRegistered())
        qCWarning(appLog) << "Hotkey registe successfully, hotkey is " << hotkey;
    else
        qCWarning(appLog) << "Hotkey registe fail, hotkey is " << hotkey;
}
