#pragma once

#include <QPoint>
#include <QVector>

struct _XDisplay;

// The tests' own connection to the X server, apart from the backends under test: what the
// keyboard does, and input or grabs that come from "another program".
class TestDesktop {
public:
    TestDesktop();
    ~TestDesktop();
    bool isOpen() const { return m_dpy != nullptr; }

    // The X modifier and button mask of a pointer query.
    unsigned modifierState() const;
    bool isKeyDown(quint32 keysym) const;
    // The first keysym of each keycode, indexed by keycode, read afresh.
    QVector<quint32> keymap() const;
    // Binds keycode to keysym on every level as another program borrowing it would;
    // 0 gives it back its empty mapping.
    void bindKeycode(int keycode, quint32 keysym);

    void moveTo(const QPoint& p);
    void button(int button, bool down);
    void key(quint32 keysym, bool down);
    void tap(quint32 keysym) {
        key(keysym, true);
        key(keysym, false);
    }
    // Grabs the key on the root window until this connection closes; the X error code.
    int grabKey(quint32 keysym, unsigned modifiers);
    void setFocus(unsigned long window);

private:
    _XDisplay* m_dpy = nullptr;
};
