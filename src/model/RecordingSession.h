#pragma once

#include <QObject>
#include <QTimer>
#include <QVector>

#include "model/RecordingConverter.h"

class GlobalHotkey;
class InputRecorder;

// One recording, as the designer or flowctl drives it: start, watch the step count
// grow, stop (on the stop key, F9 by default, or when the caller decides) and take
// the operations. The events stay with the session until it is destroyed.
class RecordingSession : public QObject {
    Q_OBJECT
public:
    // The platform's recorder unless one is given (tests, benchmarks).
    explicit RecordingSession(InputRecorder* recorder = nullptr, QObject* parent = nullptr);
    ~RecordingSession() override;

    // The desktop's double-click time and distance are filled in already.
    RecordingOptions options() const { return m_options; }
    void setOptions(const RecordingOptions& options) { m_options = options; }
    // The key whose press stops the recording and is not recorded; 0 for none.
    void setStopKey(quint16 virtualKey) { m_stopKey = virtualKey; }
    // The program's grab of the stop key, which keeps the key from the program in
    // front: while recording it fires with any modifier or lock key held and stops the
    // recording. When the grab is not ours, the recorder's own sight of the key stops it.
    void setStopHotkey(GlobalHotkey* hotkey) { m_stopHotkey = hotkey; }
    // Input on this native window (the recording's indicator) is not recorded.
    void setExcludedWindow(quintptr window);

    // False, with the reason in *error, when recording is not possible here.
    bool start(QString* error);
    bool isRecording() const { return m_recording; }
    // Stops (if still on) and turns everything recorded into operations.
    RecordingResult stop();

    const QVector<RecordedEvent>& events() const { return m_events; }
    int stepCount() const { return m_steps; }

signals:
    // The number of operations the recording would make so far; at most every 200 ms.
    void sigStepCountChanged(int steps);
    // The stop key was pressed; once a recording.
    void sigStopKeyPressed();

private slots:
    void onEventsReady();
    void onCountDue();
    void onStopKey();

private:
    void disconnectSources();

    InputRecorder& m_recorder;
    RecordingOptions m_options;
    quint16 m_stopKey;
    GlobalHotkey* m_stopHotkey = nullptr;
    bool m_stopKeySeen = false;
    QVector<RecordedEvent> m_events;
    QTimer m_countTimer;
    int m_steps = 0;
    bool m_recording = false;
};
