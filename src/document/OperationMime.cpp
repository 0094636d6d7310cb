#include "document/OperationMime.h"

#include <QCoreApplication>
#include <QMimeData>

#include "model/FlowJson.h"
#include "model/Operation.h"

const QString OperationMime::mimeType = QStringLiteral("application/x-flowsmith-operations");

QMimeData* OperationMime::encode(const QList<Operation*>& ops) {
    const QByteArray json = FlowJson::writeOperations(ops);
    auto* data = new QMimeData;
    data->setData(mimeType, json);
    data->setText(QString::fromUtf8(json));
    return data;
}

std::vector<std::unique_ptr<Operation>> OperationMime::decode(const QMimeData* data,
                                                              QString* whyNot) {
    std::vector<std::unique_ptr<Operation>> ops;
    QByteArray json;
    if (data && data->hasFormat(mimeType))
        json = data->data(mimeType);
    else if (data && data->hasText())
        json = data->text().toUtf8();
    if (json.trimmed().isEmpty()) {
        *whyNot = QCoreApplication::translate("OperationMime", "剪贴板中没有操作");
        return ops;
    }
    QString error;
    if (!FlowJson::readOperations(json, &ops, &error)) {
        ops.clear();
        *whyNot =
            QCoreApplication::translate("OperationMime", "剪贴板中的内容不是操作：%1").arg(error);
    } else if (ops.empty()) {
        *whyNot = QCoreApplication::translate("OperationMime", "剪贴板中没有操作");
    }
    return ops;
}
