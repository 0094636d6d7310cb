// A small window that receives what the desktop tests and benchmarks type and
// click, and reports it on standard output, one event a line:
//   ready X Y W H WINDOW   the text field's global geometry and the window's X id,
//                          once the field has the focus
//   key KEYSYM STATE       a key press as X delivered it (hexadecimal)
//   press BUTTON X Y       a button press on the field (Qt's button, global position)
//   double BUTTON X Y      a double click on the field
//   text HEX               answer to "text": the field's text as UTF-8
// Commands on standard input: "text", "clear" (answered "cleared"), "quit".
// With --tail the field keeps the typed text aside and shows only its end, so that
// a long text costs the field no more per key than a short one (for benchmarks).
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

namespace {

void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

QByteArray numbers(std::initializer_list<qint64> values, int base = 10) {
    QByteArrayList parts;
    for (qint64 v : values) parts << QByteArray::number(v, base);
    return parts.join(' ');
}

class Field : public QLineEdit {
public:
    bool tail = false;
    QString typed;  // the whole text in tail mode

    QString received() const { return tail ? typed : text(); }

protected:
    bool event(QEvent* e) override {
        // Here rather than in keyPressEvent, which never sees Tab.
        if (e->type() == QEvent::KeyPress) {
            const auto* k = static_cast<QKeyEvent*>(e);
            say("key " + numbers({k->nativeVirtualKey(), k->nativeModifiers()}, 16));
        }
        return QLineEdit::event(e);
    }
    void keyPressEvent(QKeyEvent* e) override {
        if (!tail || e->text().isEmpty() || (e->modifiers() & Qt::ControlModifier))
            return QLineEdit::keyPressEvent(e);
        typed += e->text();
        setText(typed.right(60));
    }
    void mousePressEvent(QMouseEvent* e) override {
        say("press " + numbers({e->button(), e->globalX(), e->globalY()}));
        QLineEdit::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        say("double " + numbers({e->button(), e->globalX(), e->globalY()}));
        QLineEdit::mouseDoubleClickEvent(e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_IM_MODULE", QByteArray());  // keys straight to the field, no input method
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList area = args.value(args.indexOf("--area") + 1).split(',');
    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.setGeometry(
        area.size() == 4 ? QRect(area[0].toInt(), area[1].toInt(), area[2].toInt(), area[3].toInt())
                         : QRect(100, 100, 600, 80));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* field = new Field;
    field->tail = args.contains(QStringLiteral("--tail"));
    field->setMaxLength(1 << 24);
    field->setContextMenuPolicy(Qt::NoContextMenu);  // a right click opens no popup
    layout->addWidget(field);
    window.show();

    // Without a window manager nothing gives us the focus: ask for it until it is ours.
    QTimer focusPoll;
    QObject::connect(&focusPoll, &QTimer::timeout, [&] {
        if (window.isActiveWindow() && field->hasFocus()) {
            focusPoll.stop();
            const QPoint tl = field->mapToGlobal(QPoint(0, 0));
            return say("ready " + numbers({tl.x(), tl.y(), field->width(), field->height(),
                                           qint64(window.winId())}));
        }
        window.activateWindow();
        window.raise();
        field->setFocus();
    });
    focusPoll.start(20);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buf[4096];
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) return app.quit();
        pending.append(buf, int(n));
        for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
            const QByteArray command = pending.left(nl).trimmed();
            if (command == "text") say("text " + field->received().toUtf8().toHex());
            if (command == "quit") app.quit();
            if (command == "clear") {
                field->typed.clear();
                field->clear();
                say("cleared");
            }
        }
    });
    return app.exec();
}
