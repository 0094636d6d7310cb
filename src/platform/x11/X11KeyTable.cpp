#include "platform/x11/X11KeyTable.h"

#include <QHash>
#include <algorithm>

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon.h>

namespace {

QHash<quint16, quint32> buildVirtualKeyTable() {
    QHash<quint16, quint32> t;
    const struct {
        quint16 vk;
        quint32 keysym;
    } fixed[] = {
        {8, XK_BackSpace},
        {9, XK_Tab},
        {13, XK_Return},
        {16, XK_Shift_L},
        {17, XK_Control_L},
        {18, XK_Alt_L},
        {19, XK_Pause},
        {20, XK_Caps_Lock},
        {27, XK_Escape},
        {32, XK_space},
        {33, XK_Prior},
        {34, XK_Next},
        {35, XK_End},
        {36, XK_Home},
        {37, XK_Left},
        {38, XK_Up},
        {39, XK_Right},
        {40, XK_Down},
        {45, XK_Insert},
        {46, XK_Delete},
        {91, XK_Super_L},
        {92, XK_Super_R},
        {93, XK_Menu},
        {106, XK_KP_Multiply},
        {107, XK_KP_Add},
        {109, XK_KP_Subtract},
        {110, XK_KP_Decimal},
        {111, XK_KP_Divide},
        {144, XK_Num_Lock},
        {160, XK_Shift_L},
        {161, XK_Shift_R},
        {162, XK_Control_L},
        {163, XK_Control_R},
        {164, XK_Alt_L},
        {165, XK_Alt_R},
        {166, XF86XK_Back},
        {167, XF86XK_Forward},
        {168, XF86XK_Refresh},
        {172, XF86XK_HomePage},
        {173, XF86XK_AudioMute},
        {174, XF86XK_AudioLowerVolume},
        {175, XF86XK_AudioRaiseVolume},
        {176, XF86XK_AudioNext},
        {177, XF86XK_AudioPrev},
        {178, XF86XK_AudioStop},
        {179, XF86XK_AudioPlay},
        // The punctuation keys of a US keyboard, by their unshifted character.
        {186, XK_semicolon},
        {187, XK_equal},
        {188, XK_comma},
        {189, XK_minus},
        {190, XK_period},
        {191, XK_slash},
        {192, XK_grave},
        {219, XK_bracketleft},
        {220, XK_backslash},
        {221, XK_bracketright},
        {222, XK_apostrophe},
    };
    for (const auto& f : fixed) t.insert(f.vk, f.keysym);
    // Letters are found on the keymap by their unshifted (lower-case) keysym.
    for (quint16 c = 'A'; c <= 'Z'; ++c) t.insert(c, XK_a + (c - 'A'));
    for (quint16 c = '0'; c <= '9'; ++c) t.insert(c, XK_0 + (c - '0'));
    for (quint16 d = 0; d <= 9; ++d) t.insert(96 + d, XK_KP_0 + d);
    for (quint16 n = 1; n <= 24; ++n) t.insert(111 + n, XK_F1 + (n - 1));
    return t;
}

const QHash<quint16, quint32>& virtualKeyTable() {
    static const QHash<quint16, quint32> t = buildVirtualKeyTable();
    return t;
}

// The other way round. Where two codes share a keysym the lower wins, so the left
// modifiers name the plain Shift, Ctrl and Alt as a user would.
QHash<quint32, quint16> buildKeysymTable() {
    QHash<quint32, quint16> t;
    const QHash<quint16, quint32>& forward = virtualKeyTable();
    for (quint16 vk : X11KeyTable::virtualKeys())
        if (!t.contains(forward.value(vk))) t.insert(forward.value(vk), vk);
    // Keysyms that are some key's unshifted one without being in the table above.
    t.insert(XK_KP_Enter, 13);
    t.insert(XK_Meta_L, 18);
    t.insert(XK_KP_Home, 36);
    t.insert(XK_KP_End, 35);
    t.insert(XK_KP_Prior, 33);
    t.insert(XK_KP_Next, 34);
    t.insert(XK_KP_Left, 37);
    t.insert(XK_KP_Up, 38);
    t.insert(XK_KP_Right, 39);
    t.insert(XK_KP_Down, 40);
    t.insert(XK_KP_Insert, 45);
    t.insert(XK_KP_Delete, 46);
    return t;
}

}  // namespace

quint16 X11KeyTable::virtualKeyForKeysym(quint32 keysym) {
    static const QHash<quint32, quint16> t = buildKeysymTable();
    return t.value(keysym, 0);
}

QString X11KeyTable::textForKeysym(quint32 keysym) {
    const char32_t c = xkb_keysym_to_utf32(keysym);
    if (c < 0x20 || c == 0x7f || (c >= 0x80 && c < 0xa0)) return QString();  // none or control
    return QString::fromUcs4(&c, 1);
}

quint32 X11KeyTable::keysymForVirtualKey(quint16 virtualKey) {
    return virtualKeyTable().value(virtualKey, 0);
}

QVector<quint16> X11KeyTable::virtualKeys() {
    QVector<quint16> keys = virtualKeyTable().keys().toVector();
    std::sort(keys.begin(), keys.end());
    return keys;
}

quint32 X11KeyTable::keysymForCharacter(char32_t c) {
    switch (c) {
        case U'\t':
            return XK_Tab;
        case U'\n':
        case U'\r':
            return XK_Return;
        case U'\b':
            return XK_BackSpace;
        case 0x1b:
            return XK_Escape;
        case 0x7f:
            return XK_Delete;
        default:
            break;
    }
    if (c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) return 0;  // not a character
    if (c < 0x20 || (c >= 0x80 && c < 0xa0)) return 0;           // other control codes
    if (c < 0x100) return quint32(c);  // Latin-1 keysyms equal their code points
    return 0x01000000u | quint32(c);   // the Unicode keysym range
}

quint32 X11KeyTable::keysymForQtKey(Qt::Key key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return XK_F1 + (key - Qt::Key_F1);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return XK_a + (key - Qt::Key_A);
    if (key >= Qt::Key_Space && key <= Qt::Key_ydiaeresis) return quint32(key);
    static const QHash<int, quint32> special = {
        {Qt::Key_Escape, XK_Escape},
        {Qt::Key_Tab, XK_Tab},
        {Qt::Key_Backtab, XK_ISO_Left_Tab},
        {Qt::Key_Backspace, XK_BackSpace},
        {Qt::Key_Return, XK_Return},
        {Qt::Key_Enter, XK_KP_Enter},
        {Qt::Key_Insert, XK_Insert},
        {Qt::Key_Delete, XK_Delete},
        {Qt::Key_Pause, XK_Pause},
        {Qt::Key_Print, XK_Print},
        {Qt::Key_SysReq, XK_Sys_Req},
        {Qt::Key_Clear, XK_Clear},
        {Qt::Key_Home, XK_Home},
        {Qt::Key_End, XK_End},
        {Qt::Key_Left, XK_Left},
        {Qt::Key_Up, XK_Up},
        {Qt::Key_Right, XK_Right},
        {Qt::Key_Down, XK_Down},
        {Qt::Key_PageUp, XK_Prior},
        {Qt::Key_PageDown, XK_Next},
        {Qt::Key_CapsLock, XK_Caps_Lock},
        {Qt::Key_NumLock, XK_Num_Lock},
        {Qt::Key_ScrollLock, XK_Scroll_Lock},
        {Qt::Key_Menu, XK_Menu},
        {Qt::Key_Help, XK_Help},
        {Qt::Key_VolumeUp, XF86XK_AudioRaiseVolume},
        {Qt::Key_VolumeDown, XF86XK_AudioLowerVolume},
        {Qt::Key_VolumeMute, XF86XK_AudioMute},
        {Qt::Key_MediaPlay, XF86XK_AudioPlay},
        {Qt::Key_MediaStop, XF86XK_AudioStop},
        {Qt::Key_MediaNext, XF86XK_AudioNext},
        {Qt::Key_MediaPrevious, XF86XK_AudioPrev},
    };
    return special.value(key, 0);
}
