#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class Operation;
class QMimeData;

// Rows on the clipboard: the operations as JSON in flowctl's form, both as text (so
// they paste into an editor and back) and under a type of our own.
class OperationMime {
public:
    static const QString mimeType;

    // A new QMimeData the caller owns.
    static QMimeData* encode(const QList<Operation*>& ops);
    // The operations in `data`, or none with the reason in *whyNot.
    static std::vector<std::unique_ptr<Operation>> decode(const QMimeData* data, QString* whyNot);
};
