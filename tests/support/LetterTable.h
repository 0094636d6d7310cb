#pragma once

#include "document/FlowDocument.h"
#include "model/Flow.h"
#include "model/TextInputOperation.h"
#include "ui/OperationModel.h"

// A document of text operations named by letter with its table model, so that its order
// reads "ABCD" ("?" for an operation of another type).
struct LetterTable {
    explicit LetterTable(const QString& letters) {
        for (const QChar c : letters) {
            auto op = std::make_unique<TextInputOperation>();
            op->setText(c);
            document.flow()->appendOperation(std::move(op));
        }
    }
    QString order() const {
        QString s;
        for (const Operation* op : document.flow()->operations())
            s += op->typeName() == "text_input" ? op->property("text").toString() : "?";
        return s;
    }
    FlowDocument document;
    OperationModel model{&document};
};
