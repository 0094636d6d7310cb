#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

class Flow;
class Operation;

// The flow as JSON, keys in a fixed order, null strings as null and empty ones as "".
// Writing then reading gives back every value, including code units that are not
// valid UTF-16 on their own (written as \u escapes).
class FlowJson {
public:
    static QByteArray write(const Flow& flow);
    // Fills an empty flow from JSON. On a mismatch with the schema returns false and
    // names the offending field in *error (for example "operations[2].interval").
    static bool read(const QByteArray& json, Flow* flow, QString* error);

    // Operations alone, as {"operations": [...]} in the same form: what the designer
    // puts on the clipboard.
    static QByteArray writeOperations(const QList<Operation*>& ops);
    // Reads operations from that form, from a whole flow, or from a bare array of
    // operations; appends them to *ops. False, naming the field, on a mismatch.
    static bool readOperations(const QByteArray& json, std::vector<std::unique_ptr<Operation>>* ops,
                               QString* error);
};
