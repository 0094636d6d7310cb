#include "model/RecordingSession.h"

#include "model/KeyNames.h"
#include "platform/GlobalHotkey.h"
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
    m_stopKeySeen = false;
    connect(&m_recorder, &InputRecorder::eventsReady, this, &RecordingSession::onEventsReady);
    // The grab and the recorder both see a press of the key: one of them stops, or the
    // press would reach a program that lets the same key start a recording again.
    if (m_stopHotkey && m_stopHotkey->isRegistered()) {
        m_stopHotkey->setAnyModifiers(true);  // also with Num Lock on or a modifier down
        connect(m_stopHotkey, &GlobalHotkey::activated, this, &RecordingSession::onStopKey);
    } else {
        connect(&m_recorder, &InputRecorder::stopKeyPressed, this, &RecordingSession::onStopKey);
    }
    m_recording = m_recorder.start(error);
    if (!m_recording) disconnectSources();
    return m_recording;
}

RecordingResult RecordingSession::stop() {
    if (m_recording) m_recorder.stop();
    m_recording = false;
    disconnectSources();
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

void RecordingSession::onStopKey() {
    if (m_stopKeySeen) return;
    m_stopKeySeen = true;
    emit sigStopKeyPressed();
}

void RecordingSession::disconnectSources() {
    disconnect(&m_recorder, nullptr, this, nullptr);
    if (!m_stopHotkey) return;
    disconnect(m_stopHotkey, nullptr, this, nullptr);
    m_stopHotkey->setAnyModifiers(false);  // other programs' Shift+F9 is theirs again
}
