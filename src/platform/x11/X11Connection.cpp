#include "platform/x11/X11Connection.h"

#include <QHash>
#include <atomic>
#include <mutex>

#include "core/AppLog.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace {

// Xlib's error handler is process-wide and its default exits the process. Ours
// records errors of our own connections and hands any other to the handler that
// was there before (Qt's, or Xlib's own).
// Never destroyed: connections held by other static objects close after it would be.
std::mutex& registryLock() {
    static std::mutex* m = new std::mutex;
    return *m;
}
QHash<Display*, int>& lastErrors() {
    static QHash<Display*, int>* errors = new QHash<Display*, int>;
    return *errors;
}
XErrorHandler chainedHandler = nullptr;
XIOErrorHandler chainedIOHandler = nullptr;
std::atomic<void (*)()> lostHandler{nullptr};

int onXError(Display* display, XErrorEvent* event) {
    {
        std::lock_guard<std::mutex> lock(registryLock());
        auto it = lastErrors().find(display);
        if (it != lastErrors().end()) {
            if (it.value() == 0) it.value() = event->error_code;
            return 0;
        }
    }
    return chainedHandler ? chainedHandler(display, event) : 0;
}

// A broken connection (the server went away) cannot be recovered from: Xlib ends the
// process with status 1 once the handlers return. The program may say so first and
// end with a status of its own.
int onXIOError(Display* display) {
    if (void (*handler)() = lostHandler.load()) handler();
    return chainedIOHandler ? chainedIOHandler(display) : 0;
}

// Called again before each trapped request, since a toolkit created later may have
// put its own handler in place meanwhile.
void installHandler() {
    std::lock_guard<std::mutex> lock(registryLock());
    const XErrorHandler previous = XSetErrorHandler(onXError);
    if (previous != onXError) chainedHandler = previous;
    const XIOErrorHandler previousIO = XSetIOErrorHandler(onXIOError);
    if (previousIO != onXIOError) chainedIOHandler = previousIO;
}

}  // namespace

X11Connection::~X11Connection() {
    if (!m_display) return;
    XCloseDisplay(m_display);
    std::lock_guard<std::mutex> lock(registryLock());
    lastErrors().remove(m_display);
}

bool X11Connection::open(QString* error) {
    if (m_display) return true;
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        if (error)
            *error = QStringLiteral("cannot open the X display \"%1\"")
                         .arg(QString::fromLocal8Bit(XDisplayName(nullptr)));
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(registryLock());
        lastErrors().insert(m_display, 0);
    }
    installHandler();
    return true;
}

int X11Connection::fileDescriptor() const {
    return m_display ? ConnectionNumber(m_display) : -1;
}

int X11Connection::trapErrors(const std::function<void()>& requests) {
    if (!m_display) return BadImplementation;
    installHandler();
    XSync(m_display, False);  // earlier requests' errors are not this call's
    {
        std::lock_guard<std::mutex> lock(registryLock());
        lastErrors()[m_display] = 0;
    }
    requests();
    XSync(m_display, False);
    std::lock_guard<std::mutex> lock(registryLock());
    const int code = lastErrors().value(m_display);
    lastErrors()[m_display] = 0;
    return code;
}

void X11Connection::setLostHandler(void (*handler)()) {
    lostHandler.store(handler);
}

bool X11Connection::isXWayland() const {
    int opcode = 0, event = 0, error = 0;
    return m_display && XQueryExtension(m_display, "XWAYLAND", &opcode, &event, &error);
}

int X11Connection::xInput2Opcode(QString* error) const {
    int opcode = -1, event = 0, err = 0;
    if (!XQueryExtension(m_display, "XInputExtension", &opcode, &event, &err)) {
        if (error) *error = QStringLiteral("the X server has no XInput extension");
        return -1;
    }
    int major = 2, minor = 2;
    if (XIQueryVersion(m_display, &major, &minor) != Success || major < 2 || minor < 1) {
        if (error) *error = QStringLiteral("the X server does not offer XInput 2.1");
        return -1;
    }
    return opcode;
}
