#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <atomic>
#include <mutex>

#include "platform/RecordedEvent.h"

// Watches the user's keyboard and mouse input on the whole desktop without taking it
// from the programs it is meant for, and queues it as timestamped events. Backends
// read the platform on a thread of their own; start, stop and takeEvents are called
// on one thread (the GUI thread), the signals arrive there too.
class InputRecorder : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False, with the reason in *error, when already recording or not possible here.
    virtual bool start(QString* error) = 0;
    // Stops watching; what was seen before stays queued for takeEvents().
    virtual void stop() = 0;
    virtual bool isRecording() const = 0;
    // False where recording cannot work (no display, Wayland); the reason says why.
    virtual bool isAvailable() const { return true; }
    virtual QString unavailableReason() const { return QString(); }

    // The desktop's double-click time (ms) and distance (pixels each way).
    virtual int doubleClickTime() const { return 400; }
    virtual int doubleClickDistance() const { return 5; }

    // The events seen since the last call, oldest first.
    QVector<RecordedEvent> takeEvents();

    // The key that stops a recording: its presses and releases are never queued, and a
    // press emits stopKeyPressed(). 0 (the default) for none.
    void setStopKey(quint16 virtualKey) { m_stopKey = virtualKey; }
    // Input on this native window (clicks on it, keys while it has the focus) is not
    // queued, so that a recording's own indicator stays out of it. 0 for none.
    void setExcludedWindow(quintptr window) { m_excludedWindow = window; }
    quintptr excludedWindow() const { return m_excludedWindow; }

signals:
    // New events wait in the queue (sent once until the queue is taken).
    void eventsReady();
    void stopKeyPressed();

protected:
    // Backends call begin() in start() with the platform's time of the start and the
    // virtual keys already held down, then report() from their thread for each event.
    // Times are the platform's 32-bit milliseconds, which wrap.
    void begin(quint32 platformTime, const QVector<quint16>& heldKeys);
    // Fills in the time and the modifiers; drops the stop key.
    void report(RecordedEvent event, quint32 platformTime);

private:
    std::mutex m_mutex;  // a std::mutex, which ThreadSanitizer can see
    QVector<RecordedEvent> m_queue;
    bool m_notified = false;
    quint32 m_lastPlatformTime = 0;
    qint64 m_lastTime = 0;
    QVector<quint16> m_heldKeys;
    std::atomic<quint16> m_stopKey{0};
    std::atomic<quintptr> m_excludedWindow{0};
};
