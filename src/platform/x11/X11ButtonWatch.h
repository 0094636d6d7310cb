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
    const X11Connection& connection() const { return conn; }

    bool install(QString* error) override;
    void remove() override;
    bool isInstalled() const override { return installed; }

private slots:
    void onEventsReady();

private:
    void select(bool rawPresses);

    X11Connection conn;
    QSocketNotifier* notifier = nullptr;
    int xiOpcode = -1;
    bool installed = false;
};
