#pragma once

#include <QPoint>
#include <QWidget>

class GlobalMouseWidget;
class QLineEdit;
class QPushButton;

// The editor of a screen point: the point as text and a "..." button that starts a
// pick. During a pick the main window is hidden, a label follows the pointer, and
// the next left or right press anywhere on the desktop becomes the new point.
class PointSelectWidget : public QWidget {
    Q_OBJECT
public:
    explicit PointSelectWidget(QWidget* parent = nullptr);
    // Ends a pick in progress without a point, so the window comes back.
    ~PointSelectWidget() override;

    // Shows `point` without reporting it.
    void setValue(const QPoint& point);
    QPoint value() const { return m_value; }
    // The label of a pick in progress, or null.
    GlobalMouseWidget* overlay() const { return m_overlay; }

signals:
    // Once at the end of each completed pick, with the picked point.
    void valueChanged(const QPoint& point);

private slots:
    void onSelect();

private:
    friend class PointPickState;
    void showOverlay();
    void dropOverlay();
    void finishPick(const QPoint& point);

    QLineEdit* m_display;
    QPushButton* m_button;
    QPoint m_value;
    GlobalMouseWidget* m_overlay = nullptr;
};
