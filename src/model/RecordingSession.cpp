#include "model/RecordingSession.h"

#include "model/KeyNames.h"
#include "platform/InputRecorder.h"
#include "platform/Platform.h"

RecordingSession::RecordingSession(InputRecorder* recorder, QObject* parent)
    : QObject(parent),
      m_recorder(recorder ? *recorder : Platform::inputRecorder()),
      m_stopKey(KeyNames::virtualKeyForName(QStringLiteral("F9"))) {
    m_options.doubleClickTime = m_recorder.doubleClickTime();
    m_options.doubleClickDistance = m_recorder.doubleClickDistance();
    m_countTimer.setSingleShot(true);
    m_countTimer.setInterval(200);
    connect(&m_countTimer, &QTimer::timeout, this, &RecordingSession::onCountDue);
}

RecordingSession::~RecordingSession() {
    if (isRecording()) stop();
}

void RecordingSession::setExcludedWindow(quintptr window) {
    m_recorder.setExcludedWindow(window);
}

bool RecordingSession::start(QString* error) {
    if (isRecording()) {
        if (error) *error = QStringLiteral("this recording is already on");
        return false;
    }
    m_recorder.setStopKey(m_stopKey);
    m_recorder.takeEvents();  // from an earlier recording that nobody took
    m_events.clear();
    m_steps = 0;
    connect(&m_recorder, &InputRecorder::eventsReady, this, &RecordingSession::onEventsReady);
    connect(&m_recorder, &InputRecorder::stopKeyPressed, this,
            &RecordingSession::sigStopKeyPressed);
    m_recording = m_recorder.start(error);
    if (!m_recording) disconnect(&m_recorder, nullptr, this, nullptr);
    return m_recording;
}

RecordingResult RecordingSession::stop() {
    if (m_recording) m_recorder.stop();
    m_recording = false;
    disconnect(&m_recorder, nullptr, this, nullptr);
    m_countTimer.stop();
    m_events += m_recorder.takeEvents();
    return RecordingConverter(m_options).convert(m_events);
}

void RecordingSession::onEventsReady() {
    m_events += m_recorder.takeEvents();
    if (!m_countTimer.isActive()) m_countTimer.start();
}

void RecordingSession::onCountDue() {
    const int steps = RecordingConverter(m_options).countSteps(m_events);
    if (steps == m_steps) return;
    m_steps = steps;
    emit sigStepCountChanged(steps);
}
