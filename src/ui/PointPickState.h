#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>

#include "ui/PointSelectWidget.h"  // QPointer needs the complete type

class ButtonWatch;
class GlobalHotkey;
class QMainWindow;

// The first top-level widget that is a QMainWindow, or null.
QMainWindow* findMainWindow();

// The one point pick of the process: which picker started it and the global button
// watch that ends it. A pick hides the main window; the next left or right press
// anywhere gives the picker the pointer's position and brings the window back,
// normal, raised and active. A second start while picking hands the pick to the new
// picker and keeps the one watch. When the watch cannot be installed nothing is
// hidden and the user is told why. GUI thread only.
class PointPickState : public QObject {
    Q_OBJECT
public:
    // Shows a failure to the user (title, text). The designer's default opens a
    // warning message box; tests install their own.
    using Notifier = std::function<void(const QString&, const QString&)>;

    static PointPickState& instance();

    // Starts a pick for `picker`; false (and the user told) when it cannot start.
    bool start(PointSelectWidget* picker);
    bool isPicking() const { return m_picking; }
    // The picker that started the last pick; it stays set after the pick ends.
    PointSelectWidget* activePicker() const { return m_activePicker; }

    // Called by a picker's destructor: a pick it started ends without a point.
    void pickerDestroyed(PointSelectWidget* picker);
    // Ends a pick in progress without a point (Escape, or a replay that starts, which
    // must not leave the next click rewriting a position).
    void cancel();

    // nullptr restores the message box.
    void setNotifier(Notifier notifier);

private:
    PointPickState() = default;
    void onButtonPressed(Qt::MouseButton button, const QPoint& globalPos);
    void endPick();
    void notify(const QString& text);

    QPointer<PointSelectWidget> m_activePicker;
    QPointer<ButtonWatch> m_watch;
    QMetaObject::Connection m_pressConnection;
    GlobalHotkey* m_escape = nullptr;  // grabbed while picking: the window with the focus is hidden
    bool m_picking = false;
    Notifier m_notifier;
};
