#pragma once

#include <QHash>
#include <QSet>
#include <atomic>
#include <thread>

#include "platform/InputRecorder.h"
#include "platform/x11/X11Connection.h"

// Records the X11 desktop's input from XInput2 raw events on a connection of its own,
// read on a thread of its own. Raw events are copies: every key and button still goes
// to the program it was meant for, and a grab by another client does not hide it.
// Each key's text comes from the keyboard state (modifiers, locks, layout group) that
// XKB reported before the key, so it is what the key typed in the layout of the time.
class X11InputRecorder : public InputRecorder {
    Q_OBJECT
public:
    explicit X11InputRecorder(QObject* parent = nullptr);
    ~X11InputRecorder() override;

    // Connects and checks for XInput 2 and XKB; false with the reason when either fails.
    bool open(QString* error);
    const X11Connection& connection() const { return m_connection; }

    bool start(QString* error) override;
    void stop() override;
    bool isRecording() const override { return m_thread.joinable(); }
    int doubleClickTime() const override { return m_doubleClickTime; }
    int doubleClickDistance() const override { return m_doubleClickDistance; }

private:
    void select(bool on);
    quint32 serverTime();
    QVector<quint16> heldKeys();
    void run();
    void onKey(bool press, int keycode, quint32 time);
    void onButton(bool press, int button, quint32 time);
    void onMotion(quint32 time);
    QPoint pointer(bool* onExcludedWindow);
    bool focusIsExcluded();

    X11Connection m_connection;
    std::thread m_thread;
    int m_wake[2] = {-1, -1};
    bool m_opened = false;
    int m_xiOpcode = -1;
    int m_xkbEventBase = -1;
    unsigned long m_timeWindow = 0;
    unsigned m_lookupState = 0;  // core modifier state with the XKB group, for key lookups
    int m_doubleClickTime = 400;
    int m_doubleClickDistance = 5;
    // Keys and buttons whose press went to the excluded window: their release goes too.
    QSet<int> m_excludedKeycodes;
    QSet<int> m_excludedButtons;
};
