#include "ui/KeyInputWidget.h"

#include <QKeyEvent>
#include <QKeySequence>

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
            return QKeySequence(key).toString(QKeySequence::PortableText);
    }
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

void KeyInputWidget::keyPressEvent(QKeyEvent* e) {
    e->accept();
    const QString name = keyName(e->key());
    if (name.isEmpty()) return;
    setText(name);
    emit valueChanged(name);
}
