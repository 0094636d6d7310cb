#pragma once

#include <QByteArray>
#include <QString>

class Flow;

// The flow as JSON, keys in a fixed order, null strings as null and empty ones as "".
// Writing then reading gives back every value, including code units that are not
// valid UTF-16 on their own (written as \u escapes).
class FlowJson {
public:
    static QByteArray write(const Flow& flow);
    // Fills an empty flow from JSON. On a mismatch with the schema returns false and
    // names the offending field in *error (for example "operations[2].interval").
    static bool read(const QByteArray& json, Flow* flow, QString* error);
};
