#pragma once

#include <QLineEdit>

// Captures one key: each key pressed replaces the text with the key's portable name
// (Qt's PortableText of the key alone) and reports it, with the modifiers (Shift,
// Ctrl, Alt, Meta) held with it. Modifier keys alone are ignored, and so are keys that
// have no portable name (on X11 the Windows key, Hyper, AltGr, Mode_switch), whose text
// would be saved and replay as no key. The modifiers are not part of the name, so
// Ctrl+A gives "A" and Control. Every other key is captured the same way, Backspace,
// Escape, Return and Tab included: nothing is typed or deleted. Input methods are off,
// so a Chinese input method composes nothing here.
class KeyInputWidget : public QLineEdit {
    Q_OBJECT
public:
    explicit KeyInputWidget(QWidget* parent = nullptr);

    // The portable name of a key code, or empty for a modifier key or a key without one.
    static QString keyName(int key);

signals:
    void valueChanged(const QString& name);
    void keyCaptured(const QString& name, Qt::KeyboardModifiers modifiers);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A middle click would paste the X11 selection.
    void mouseReleaseEvent(QMouseEvent* event) override;
};
