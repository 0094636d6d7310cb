// A small window that receives what the desktop tests and benchmarks type and
// click, and reports it on standard output, one event a line:
//   ready X Y W H WINDOW     the text field's global geometry and the window's X id,
//                            once the field has the focus
//   key QTKEY MODIFIERS      a key press (hexadecimal Qt key and modifier bits)
//   press BUTTON X Y         a button press on the field, global coordinates
//   double BUTTON X Y        a double click on the field
//   text HEX                 answer to the "text" command: the field's text as UTF-8
// Commands on standard input: "text", "clear", "quit".
// With --tail the field keeps the typed text aside and shows only its end, so that
// a long text costs the field no more per key than a short one (for benchmarks).
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>

namespace {

void say(const QByteArray& line) {
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class Field : public QLineEdit {
public:
    bool tail = false;
    QString typed;  // the whole text in tail mode

    QString received() const { return tail ? typed : text(); }
    void reset() {
        typed.clear();
        clear();
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        say("key " + QByteArray::number(e->key(), 16) + ' ' +
            QByteArray::number(uint(e->modifiers()), 16));
        if (tail && !e->text().isEmpty() && !(e->modifiers() & Qt::ControlModifier)) {
            typed += e->text();
            setText(typed.right(60));
            return;
        }
        QLineEdit::keyPressEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override {
        say("press " + QByteArray::number(int(e->button())) + ' ' +
            QByteArray::number(e->globalPos().x()) + ' ' + QByteArray::number(e->globalPos().y()));
        QLineEdit::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        say("double " + QByteArray::number(int(e->button())) + ' ' +
            QByteArray::number(e->globalPos().x()) + ' ' + QByteArray::number(e->globalPos().y()));
        QLineEdit::mouseDoubleClickEvent(e);
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_IM_MODULE", QByteArray());  // keys straight to the field, no input method
    QApplication app(argc, argv);
    QRect geometry(100, 100, 600, 80);
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--area"));
    if (at > 0 && at + 1 < args.size()) {
        const QStringList v = args.at(at + 1).split(QLatin1Char(','));
        if (v.size() == 4) geometry = QRect(v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toInt());
    }

    QWidget window;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* field = new Field;
    field->tail = args.contains(QStringLiteral("--tail"));
    field->setMaxLength(1 << 24);
    layout->addWidget(field);
    window.setGeometry(geometry);
    window.show();

    // Without a window manager nothing gives us the focus: ask for it until it is ours.
    QTimer focusPoll;
    QObject::connect(&focusPoll, &QTimer::timeout, [&] {
        if (window.isActiveWindow() && field->hasFocus()) {
            focusPoll.stop();
            const QPoint tl = field->mapToGlobal(QPoint(0, 0));
            say("ready " + QByteArray::number(tl.x()) + ' ' + QByteArray::number(tl.y()) + ' ' +
                QByteArray::number(field->width()) + ' ' + QByteArray::number(field->height()) +
                ' ' + QByteArray::number(quint64(window.winId())));
            return;
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
        if (n <= 0) {
            app.quit();
            return;
        }
        pending.append(buf, int(n));
        int nl;
        while ((nl = pending.indexOf('\n')) >= 0) {
            const QByteArray command = pending.left(nl).trimmed();
            pending.remove(0, nl + 1);
            if (command == "text") {
                say("text " + field->received().toUtf8().toHex());
            } else if (command == "clear") {
                field->reset();
                say("cleared");
            } else if (command == "quit") {
                app.quit();
            }
        }
    });
    return app.exec();
}
