#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

// Reports left and right button presses anywhere on the desktop without taking
// them from the window under the pointer. Installed and removed on the GUI thread.
class ButtonWatch : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // False, with the reason in *error, when already installed or not possible here.
    virtual bool install(QString* error) = 0;
    virtual void remove() = 0;
    virtual bool isInstalled() const = 0;

signals:
    // The pointer's position, in desktop pixels, at the time of the press.
    void buttonPressed(Qt::MouseButton button, const QPoint& globalPos);
};
