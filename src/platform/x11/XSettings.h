#pragma once

#include <QByteArray>
#include <QHash>

struct _XDisplay;

// The integer settings a desktop's settings daemon publishes to X clients
// (XSETTINGS), such as Net/DoubleClickTime.
class XSettings {
public:
    // Empty when no settings daemon runs on the display's default screen.
    static QHash<QByteArray, int> integers(_XDisplay* display);
    // The integers in the property's bytes; what cannot be read ends the list.
    static QHash<QByteArray, int> parse(const QByteArray& bytes);
};
