#pragma once

#include <QString>
#include <functional>

struct _XDisplay;

// One connection of our own to the X server (never Qt's), for a service that must
// not depend on the GUI's connection or thread. X errors on it never end the
// process: they are counted, and trapErrors() reports the one a request caused.
class X11Connection {
public:
    X11Connection() = default;
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    // Connects to $DISPLAY; false with the reason when it cannot.
    bool open(QString* error);
    bool isOpen() const { return m_display != nullptr; }
    _XDisplay* display() const { return m_display; }
    int fileDescriptor() const;

    // Runs the requests, waits until the server has handled them, and returns the
    // X error code of the first one that failed (0 when none did).
    int trapErrors(const std::function<void()>& requests);

    // Run when a connection to the server breaks, before Xlib ends the process.
    static void setLostHandler(void (*handler)());

    // True when the server is XWayland, which cannot reach Wayland windows.
    bool isXWayland() const;

    // The XInput extension's major opcode, or -1 with the reason when the server does
    // not offer XInput 2.1 (from 2.1 on, raw events arrive whatever grabs other
    // clients hold).
    int xInput2Opcode(QString* error) const;

private:
    _XDisplay* m_display = nullptr;
};
