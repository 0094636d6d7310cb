#include "app/StartupArguments.h"

QString StartupArguments::flowPath(const QStringList& arguments) {
    const int at = arguments.indexOf(QStringLiteral("-f"));
    if (at < 0 || at + 1 >= arguments.size()) return QString();
    return arguments.at(at + 1);
}
