#include "ui/KeyInputWidget.h"

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

KeyInputWidget::KeyInputWidget(QWidget* parent) : QLineEdit(parent) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    // Paste or drop would change the text without capturing a key.
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
}

QString KeyInputWidget::keyName(int key) {
    switch (key) {
        case 0:
        case Qt::Key_unknown:
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Meta:
        case Qt::Key_Alt:
            return QString();
        default:
            break;
    }
    // A key Qt has no name for gets a text that reads back as no key at all.
    const QString name = QKeySequence(key).toString(QKeySequence::PortableText);
    const QKeySequence readBack = QKeySequence::fromString(name, QKeySequence::PortableText);
    return readBack.count() == 1 && readBack[0] != Qt::Key_unknown ? name : QString();
}

bool KeyInputWidget::event(QEvent* e) {
    switch (e->type()) {
        case QEvent::ShortcutOverride:
            // Keys pressed here are captured, not shortcuts of the window.
            e->accept();
            return true;
        case QEvent::KeyPress:
            // Past the focus chain: Tab and Backtab are keys like any other here.
            keyPressEvent(static_cast<QKeyEvent*>(e));
            return true;
        default:
            return QLineEdit::event(e);
    }
}

void KeyInputWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::MiddleButton) {
        e->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(e);
}

void KeyInputWidget::keyPressEvent(QKeyEvent* e) {
    e->accept();
    const QString name = keyName(e->key());
    if (name.isEmpty()) return;
    setText(name);
    emit valueChanged(name);
    const Qt::KeyboardModifiers held = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                         Qt::AltModifier | Qt::MetaModifier);
    emit keyCaptured(name, held);
}
