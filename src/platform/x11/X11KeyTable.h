#pragma once

#include <QString>
#include <QVector>
#include <Qt>
#include <QtGlobal>

// Keysyms for what the flows and the hotkeys name: Windows virtual-key codes,
// Unicode characters and Qt keys. Plain data, no display needed.
class X11KeyTable {
public:
    // The keysym of the key a virtual-key code stands for; 0 (NoSymbol) when unknown.
    static quint32 keysymForVirtualKey(quint16 virtualKey);
    // Every virtual-key code the table knows, ascending.
    static QVector<quint16> virtualKeys();
    // The virtual-key code of the key whose unshifted keysym this is; 0 when none.
    static quint16 virtualKeyForKeysym(quint32 keysym);
    // The printable text a keysym stands for; empty for keys that type nothing
    // printable (Return, Tab, arrows, modifiers, dead keys, ...).
    static QString textForKeysym(quint32 keysym);
    // The keysym that types one Unicode character (Latin-1 directly, others in the
    // Unicode keysym range; tab and line breaks as their keys); 0 when none can.
    static quint32 keysymForCharacter(char32_t character);
    // The keysym of a Qt key for grabbing it; 0 when there is none.
    static quint32 keysymForQtKey(Qt::Key key);
};
