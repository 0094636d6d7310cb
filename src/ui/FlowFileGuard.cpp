#include "ui/FlowFileGuard.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include "model/ErrorPresenter.h"
#include "model/Flow.h"

namespace {
// Larger files are compared by size and time alone, so a save never waits on hashing them.
constexpr qint64 kHashedSize = 64 * 1024 * 1024;
}  // namespace

FlowFileGuard::FlowFileGuard(const QString& path) : m_path(path) {
    m_ask = [](QWidget* parent, const QString& text) {
        return QMessageBox::question(parent, tr("TapwiseZindra-键盘鼠标自动化输入工具"), text,
                                     QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
}

void FlowFileGuard::setQuestion(Question question) {
    m_ask = std::move(question);
}

void FlowFileGuard::load(Flow* flow) {
    m_known = fingerprint();
    if (!QFileInfo::exists(m_path)) return;  // created by the first save
    m_readCompletely = flow->load(m_path);
    // A file that cannot be opened has been reported by the flow itself.
    if (flow->lastFailure() == Flow::Failure::BadContent)
        ErrorPresenter::warn(tr("TapwiseZindra-键盘鼠标自动化输入工具"),
                             tr("无法完整读取文件 %1:\n%2\n保存时会先询问是否覆盖它。")
                                 .arg(m_path, flow->lastLoadReport()));
}

bool FlowFileGuard::maySave(QWidget* parent, const Flow& flow) {
    const int rows = flow.operationCount();
    if (!m_readCompletely && QFileInfo::exists(m_path) &&
        !m_ask(parent, tr("文件 %1 没有被完整读取。保存会用当前的 %2 个操作替换它的全部内容，"
                          "未能读取的部分将会丢失。\n仍然保存吗？")
                           .arg(m_path)
                           .arg(rows)))
        return false;
    if (fingerprint() != m_known &&
        !m_ask(parent, tr("文件 %1 在打开或上次保存之后已被其他程序修改。保存会覆盖那些修改。\n"
                          "仍然保存吗？")
                           .arg(m_path)))
        return false;
    return true;
}

void FlowFileGuard::saved() {
    m_readCompletely = true;
    m_known = fingerprint();
}

QByteArray FlowFileGuard::fingerprint() const {
    const QFileInfo info(m_path);
    if (!info.exists()) return QByteArray();
    QByteArray print = QByteArray::number(info.size());
    QFile file(m_path);
    // Never open what is not a regular file: a FIFO would block.
    if (info.isFile() && info.size() <= kHashedSize && file.open(QIODevice::ReadOnly)) {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        hash.addData(&file);
        return print + ' ' + hash.result().toHex();
    }
    return print + ' ' + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
}
