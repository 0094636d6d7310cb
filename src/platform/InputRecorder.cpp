#include "platform/InputRecorder.h"

QVector<RecordedEvent> InputRecorder::takeEvents() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_notified = false;
    QVector<RecordedEvent> taken;
    taken.swap(m_queue);
    return taken;
}

void InputRecorder::begin(quint32 platformTime, const QVector<quint16>& heldKeys) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastPlatformTime = platformTime;
    m_lastTime = 0;
    m_heldKeys = heldKeys;
}

void InputRecorder::report(RecordedEvent event, quint32 platformTime) {
    const bool key = event.kind == RecordedEvent::KeyDown || event.kind == RecordedEvent::KeyUp;
    if (key && event.virtualKey != 0 && event.virtualKey == m_stopKey) {
        if (event.kind == RecordedEvent::KeyDown) emit stopKeyPressed();
        return;
    }
    bool notify = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // The difference as signed 32 bits survives the wrap after 49 days and an event
        // stamped a little before the start.
        m_lastTime += qint32(platformTime - m_lastPlatformTime);
        m_lastPlatformTime = platformTime;
        event.time = m_lastTime;

        if (key) m_heldKeys.removeAll(event.virtualKey);
        for (quint16 held : qAsConst(m_heldKeys))
            event.modifiers |= RecordedEvent::modifierForKey(held);
        if (event.kind == RecordedEvent::KeyDown) m_heldKeys.append(event.virtualKey);

        m_queue.append(std::move(event));
        notify = !m_notified;
        m_notified = true;
    }
    // Outside the lock: a receiver on this thread takes the queue at once.
    if (notify) emit eventsReady();
}
