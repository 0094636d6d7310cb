// A text field as a window of its own that receives what the desktop tests and
// benchmarks type and click, and reports it on standard output, one event a line:
//   ready X Y W H WINDOW   the field's global geometry and X window id, once it has the focus
//   key KEYSYM             a key press as X delivered it (hexadecimal keysym)
//   press BUTTON X Y       a button press (Qt's button, global position)
//   double BUTTON X Y      a double click
//   text HEX               answer to "text": the field's text as UTF-8
// Commands on standard input: "text", "clear" (answered "cleared"); it quits at their end.
// With --tail the field keeps the typed text aside and shows only its end, so that
// a long text costs the field no more per key than a short one (for benchmarks).
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

namespace {

void say(const QByteArray& what, std::initializer_list<qint64> values, int base = 10) {
    QByteArray line = what;
    for (qint64 v : values) line += ' ' + QByteArray::number(v, base);
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

class Field : public QLineEdit {
public:
    bool tail = false;
    QString typed;  // the whole text in tail mode

protected:
    bool event(QEvent* e) override {
        // Here rather than in keyPressEvent, which never sees Tab.
        const auto* m = static_cast<QMouseEvent*>(e);
        if (e->type() == QEvent::KeyPress)
            say("key", {static_cast<QKeyEvent*>(e)->nativeVirtualKey()}, 16);
        else if (e->type() == QEvent::MouseButtonPress)
            say("press", {m->button(), m->globalX(), m->globalY()});
        else if (e->type() == QEvent::MouseButtonDblClick)
            say("double", {m->button(), m->globalX(), m->globalY()});
        return QLineEdit::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!tail || e->text().isEmpty() || (e->modifiers() & Qt::ControlModifier))
            return QLineEdit::keyPressEvent(e);
        typed += e->text();
        setText(typed.right(60));
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_IM_MODULE", QByteArray());  // keys straight to the field, no input method
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList area = args.value(args.indexOf("--area") + 1).split(',');
    Field field;
    field.tail = args.contains(QStringLiteral("--tail"));
    field.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    field.setGeometry(area.value(0).toInt(), area.value(1).toInt(), area.value(2).toInt(),
                      area.value(3).toInt());
    field.setMaxLength(1 << 24);
    field.setContextMenuPolicy(Qt::NoContextMenu);  // a right click opens no popup
    field.show();

    // Without a window manager nothing gives us the focus: ask for it until it is ours.
    QTimer focusPoll;
    QObject::connect(&focusPoll, &QTimer::timeout, [&] {
        if (!field.isActiveWindow() || !field.hasFocus()) {
            field.activateWindow();
            field.raise();
            return field.setFocus();
        }
        focusPoll.stop();
        const QRect g = field.geometry();
        say("ready", {g.x(), g.y(), g.width(), g.height(), qint64(field.winId())});
    });
    focusPoll.start(20);

    // Unbuffered, so that every line waiting in the pipe wakes the notifier again.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    QSocketNotifier input(fileno(stdin), QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[4096];
        if (!std::fgets(line, sizeof line, stdin)) return app.quit();
        const QByteArray command = QByteArray(line).trimmed();
        if (command == "text")
            say("text " + (field.tail ? field.typed : field.text()).toUtf8().toHex(), {});
        if (command == "clear") {
            field.typed.clear();
            field.clear();
            say("cleared", {});
        }
    });
    return app.exec();
}
