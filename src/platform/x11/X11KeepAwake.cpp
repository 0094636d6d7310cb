#include "platform/x11/X11KeepAwake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>

#include "core/AppLog.h"

// Xlib defines macros (Bool, Status, None) that break Qt headers included after it.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {
const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
constexpr int kDBusTimeoutMs = 500;
}  // namespace

X11KeepAwake::~X11KeepAwake() {
    if (depth > 0) {
        depth = 1;
        release();
    }
}

bool X11KeepAwake::open(QString* error) {
    if (!conn.open(error)) return false;
    int event = 0, err = 0;
    haveExtension = XScreenSaverQueryExtension(conn.display(), &event, &err);
    return true;
}

void X11KeepAwake::request() {
    if (depth++ > 0) return;
    if (haveExtension) {
        XScreenSaverSuspend(conn.display(), True);
        XSync(conn.display(), False);
    }
    inhibitOverDBus();
}

void X11KeepAwake::release() {
    if (depth == 0 || --depth > 0) return;
    if (haveExtension) {
        XScreenSaverSuspend(conn.display(), False);
        XSync(conn.display(), False);
    }
    uninhibitOverDBus();
}

// Best effort: a desktop without the service (or without a session bus) still has
// the X suspension above.
void X11KeepAwake::inhibitOverDBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Inhibit"));
    const QString app = QCoreApplication::applicationName().isEmpty()
                            ? QStringLiteral("Flowsmith")
                            : QCoreApplication::applicationName();
    call << app << QStringLiteral("replaying a flow");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kDBusTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        cookie = reply.arguments().constFirst().toUInt();
        inhibited = true;
    } else {
        qCDebug(appLog).noquote() << "screen saver inhibit over D-Bus not available:"
                                  << reply.errorMessage();
    }
}

void X11KeepAwake::uninhibitOverDBus() {
    if (!inhibited) return;
    inhibited = false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("UnInhibit"));
    call << cookie;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}
