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
    if (m_depth > 0) {
        m_depth = 1;
        release();
    }
}

bool X11KeepAwake::open(QString* error) {
    if (!m_connection.open(error)) return false;
    int event = 0, err = 0;
    m_haveExtension = XScreenSaverQueryExtension(m_connection.display(), &event, &err);
    return true;
}

void X11KeepAwake::request() {
    if (m_depth++ > 0) return;
    if (m_haveExtension) {
        XScreenSaverSuspend(m_connection.display(), True);
        XSync(m_connection.display(), False);
    }
    inhibitOverDBus();
}

void X11KeepAwake::release() {
    if (m_depth == 0 || --m_depth > 0) return;
    if (m_haveExtension) {
        XScreenSaverSuspend(m_connection.display(), False);
        XSync(m_connection.display(), False);
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
        m_cookie = reply.arguments().constFirst().toUInt();
        m_inhibited = true;
    } else {
        qCDebug(appLog).noquote() << "screen saver inhibit over D-Bus not available:"
                                  << reply.errorMessage();
    }
}

void X11KeepAwake::uninhibitOverDBus() {
    if (!m_inhibited) return;
    m_inhibited = false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("UnInhibit"));
    call << m_cookie;
    QDBusConnection::sessionBus().call(call, QDBus::NoBlock);
}
