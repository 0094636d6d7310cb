#include "model/KeyNames.h"

namespace {
QHash<QString, quint16> buildTable() {
    QHash<QString, quint16> t;
    auto add = [&t](std::initializer_list<const char*> names, quint16 code) {
        for (const char* n : names) t.insert(QString::fromLatin1(n), code);
    };
    add({"CTRL", "CONTROL"}, 17);
    add({"LCTRL"}, 162);
    add({"RCTRL"}, 163);
    add({"SHIFT"}, 16);
    add({"LSHIFT"}, 160);
    add({"RSHIFT"}, 161);
    add({"ALT", "MENU"}, 18);
    add({"LALT"}, 164);
    add({"RALT"}, 165);
    add({"WIN", "WINDOWS", "LWIN"}, 91);
    add({"RWIN"}, 92);
    add({"APPS"}, 93);
    for (char c = 'A'; c <= 'Z'; ++c) t.insert(QString(QLatin1Char(c)), quint16(c));
    for (char c = '0'; c <= '9'; ++c) t.insert(QString(QLatin1Char(c)), quint16(c));
    for (int n = 1; n <= 24; ++n) t.insert(QStringLiteral("F%1").arg(n), quint16(111 + n));
    add({"ENTER", "RETURN", "NUMPADENTER"}, 13);
    add({"SPACE"}, 32);
    add({"TAB"}, 9);
    add({"BACKSPACE"}, 8);
    add({"ESC"}, 27);
    add({"PAUSE"}, 19);
    add({"CAPSLOCK", "CAPS"}, 20);
    add({"INSERT", "INS"}, 45);
    add({"DELETE", "DEL"}, 46);
    add({"HOME"}, 36);
    add({"END"}, 35);
    add({"PAGEUP", "PGUP"}, 33);
    add({"PAGEDOWN", "PGDOWN", "PGDN"}, 34);
    add({"UP"}, 38);
    add({"DOWN"}, 40);
    add({"LEFT"}, 37);
    add({"RIGHT"}, 39);
    for (int d = 0; d <= 9; ++d) t.insert(QStringLiteral("NUM%1").arg(d), quint16(96 + d));
    add({"NUMLOCK", "NUM"}, 144);
    add({"NUMPADSTAR"}, 106);
    add({"NUMPADPLUS"}, 107);
    add({"NUMPADMINUS"}, 109);
    add({"NUMPADDOT"}, 110);
    add({"NUMPADSLASH"}, 111);
    // Both characters of a US keyboard's punctuation keys.
    add({"`", "~"}, 192);
    add({"-", "_"}, 189);
    add({"=", "+"}, 187);
    add({"[", "{"}, 219);
    add({"]", "}"}, 221);
    add({";", ":"}, 186);
    add({"'", "\""}, 222);
    add({",", "<"}, 188);
    add({".", ">"}, 190);
    add({"/", "?"}, 191);
    add({"\\", "|"}, 220);
    add({"VOLUMEUP"}, 175);
    add({"VOLUMEDOWN"}, 174);
    add({"MUTE"}, 173);
    add({"MEDIANEXT"}, 176);
    add({"MEDIAPREV"}, 177);
    add({"MEDIASTOP"}, 178);
    add({"MEDIAPLAY"}, 179);
    add({"BROWSERBACK"}, 166);
    add({"BROWSERFWD"}, 167);
    add({"BROWSERREFRESH"}, 168);
    add({"BROWSERHOME"}, 172);
    return t;
}

QHash<quint16, QString> buildNames() {
    QHash<quint16, QString> n;
    for (char c = 'A'; c <= 'Z'; ++c) n.insert(quint16(c), QString(QLatin1Char(c)));
    for (char c = '0'; c <= '9'; ++c) n.insert(quint16(c), QString(QLatin1Char(c)));
    for (int i = 1; i <= 24; ++i) n.insert(quint16(111 + i), QStringLiteral("F%1").arg(i));
    for (int d = 0; d <= 9; ++d) n.insert(quint16(96 + d), QStringLiteral("Num%1").arg(d));
    const struct {
        quint16 code;
        const char* name;
    } named[] = {
        {8, "Backspace"},     {9, "Tab"},
        {13, "Return"},       {16, "Shift"},
        {17, "Ctrl"},         {18, "Alt"},
        {19, "Pause"},        {20, "CapsLock"},
        {27, "Esc"},          {32, "Space"},
        {33, "PgUp"},         {34, "PgDown"},
        {35, "End"},          {36, "Home"},
        {37, "Left"},         {38, "Up"},
        {39, "Right"},        {40, "Down"},
        {45, "Ins"},          {46, "Del"},
        {91, "Win"},          {92, "RWin"},
        {93, "Apps"},         {106, "NumpadStar"},
        {107, "NumpadPlus"},  {109, "NumpadMinus"},
        {110, "NumpadDot"},   {111, "NumpadSlash"},
        {144, "NumLock"},     {160, "LShift"},
        {161, "RShift"},      {162, "LCtrl"},
        {163, "RCtrl"},       {164, "LAlt"},
        {165, "RAlt"},        {166, "BrowserBack"},
        {167, "BrowserFwd"},  {168, "BrowserRefresh"},
        {172, "BrowserHome"}, {173, "Mute"},
        {174, "VolumeDown"},  {175, "VolumeUp"},
        {176, "MediaNext"},   {177, "MediaPrev"},
        {178, "MediaStop"},   {179, "MediaPlay"},
        {186, ";"},           {187, "="},
        {188, ","},           {189, "-"},
        {190, "."},           {191, "/"},
        {192, "`"},           {219, "["},
        {220, "\\"},          {221, "]"},
        {222, "'"},
    };
    for (const auto& k : named) n.insert(k.code, QString::fromLatin1(k.name));
    return n;
}
}  // namespace

QString KeyNames::nameForVirtualKey(quint16 virtualKey) {
    static const QHash<quint16, QString> names = buildNames();
    return names.value(virtualKey);
}

const QHash<QString, quint16>& KeyNames::table() {
    static const QHash<QString, quint16> t = buildTable();  // thread-safe one-time init
    return t;
}

quint16 KeyNames::virtualKeyForName(const QString& name) {
    return table().value(name.trimmed().toUpper(), 0);
}
