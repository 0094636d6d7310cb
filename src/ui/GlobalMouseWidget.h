#pragma once

#include <QPoint>
#include <QWidget>

class QTimer;

// The small translucent label that follows the pointer during a point pick and
// shows its position in device pixels. It never takes a click or the focus.
class GlobalMouseWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFollowIntervalMs = 10;
    static constexpr int kOffset = 30;  // device pixels right of and below the pointer

    GlobalMouseWidget();

    // The pointer position shown, in device pixels.
    QPoint position() const { return m_position; }

    struct Placement {
        QPoint position;  // shown, in device pixels
        QPoint topLeft;   // where the label goes, in logical pixels
    };
    // For the pointer at `logical` on a screen of scale factor `ratio`.
    static Placement placementFor(const QPoint& logical, qreal ratio);

protected:
    void paintEvent(QPaintEvent* event) override;

private slots:
    void updateGlobalMousePos();

private:
    QPoint m_position;
    QTimer* m_timer;
};
