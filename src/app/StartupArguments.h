#pragma once

#include <QStringList>

// The designer's command line: the argument after the first exact "-f" is the flow
// file path; none, or "-f" last, gives an empty path.
class StartupArguments {
public:
    static QString flowPath(const QStringList& arguments);
};
