#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;

// A small window above every other that stands in for the hidden designer while it
// records or replays: what is going on, how far it got and how to stop it. A click
// anywhere on it stops. It never takes the keyboard focus from the program the user
// or the flow types into.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ActivityIndicator(QWidget* parent = nullptr);

    // Recording, with the number of steps so far.
    void showRecording();
    void setRecordedSteps(int steps);
    // Replaying `passes` times (0: until stopped) a flow of `steps` rows; stopKeyWorks: F8
    // stops the run (another program may hold it).
    void showRun(bool stopKeyWorks, int steps, int passes);
    // Row `step` (0-based) of `steps` is next, in pass `pass` (from 1) of `passes` (0:
    // until stopped). Shown at most four times a second, however fast the steps come.
    void setRunStep(int step, int steps);
    void setRunPass(int pass, int passes);

    // How to stop, as the indicator says it.
    QString hintText() const;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showAt(const QString& title, const QString& progress, const QString& hint);
    QString runProgress() const;
    static QString runProgress(int step, int steps, int pass, int passes);
    void showRunProgress();

    QLabel* m_title;
    QLabel* m_progress;
    QLabel* m_hint;
    QTimer m_refresh;
    int m_step = 0, m_steps = 0, m_pass = 1, m_passes = 1;
};
