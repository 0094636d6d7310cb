#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

// Upper-case key names (CTRL, F5, A, PGDN, ...) and the virtual-key codes they stand for.
class KeyNames {
public:
    static const QHash<QString, quint16>& table();
    // Trims and upper-cases the name; 0 when the table has no such name.
    static quint16 virtualKeyForName(const QString& name);
    // The name a recorded key is given: the one Qt's key editor would store where there
    // is one (Return, PgDown, Ctrl, F5, A); empty for a code the table does not hold.
    static QString nameForVirtualKey(quint16 virtualKey);
};
