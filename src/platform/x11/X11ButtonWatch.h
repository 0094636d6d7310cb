#pragma once

#include "platform/ButtonWatch.h"
#include "platform/x11/X11Connection.h"

class QSocketNotifier;

// Sees button presses anywhere on the X11 desktop through XInput2 raw events on
// the root window. Raw events are copies: the press still goes to the window under
// the pointer, and a grab by another client does not hide it.
class X11ButtonWatch : public ButtonWatch {
    Q_OBJECT
public:
    explicit X11ButtonWatch(QObject* parent = nullptr);
    ~X11ButtonWatch() override;

    // Connects and checks for XInput 2; false with the reason when either fails.
    bool open(QString* error);
    const X11Connection& connection() const { return m_connection; }

    bool install(QString* error) override;
    void remove() override;
    bool isInstalled() const override { return m_installed; }

private slots:
    void onEventsReady();

private:
    void select(bool rawPresses);

    X11Connection m_connection;
    QSocketNotifier* m_notifier = nullptr;
    int m_xiOpcode = -1;
    bool m_installed = false;
};
