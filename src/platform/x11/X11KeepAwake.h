#pragma once

#include "platform/KeepAwake.h"
#include "platform/x11/X11Connection.h"

// Suspends the X screen saver and display power saving during a run, and asks the
// desktop's screen-saver service over D-Bus to hold off as well where there is one.
// Requests nest; the last release undoes them.
class X11KeepAwake : public KeepAwake {
public:
    X11KeepAwake() = default;
    ~X11KeepAwake() override;

    // Connects; false with the reason when it cannot. A server without the
    // MIT-SCREEN-SAVER extension is accepted: requests then rely on D-Bus alone.
    bool open(QString* error);
    bool hasScreenSaverExtension() const { return m_haveExtension; }
    const X11Connection& connection() const { return m_connection; }

    void request() override;
    void release() override;
    bool isRequested() const { return m_depth > 0; }

private:
    void inhibitOverDBus();
    void uninhibitOverDBus();

    X11Connection m_connection;
    bool m_haveExtension = false;
    int m_depth = 0;
    quint32 m_cookie = 0;
    bool m_inhibited = false;
};
