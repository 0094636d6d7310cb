#pragma once

#include <QWidget>

class QPushButton;

// A small window above every other, with one button that stops the replay: shown
// during a run when F8 cannot stop it because another program holds the key. It
// never takes the keyboard focus from the program the flow types into.
class ActivityIndicator : public QWidget {
    Q_OBJECT
public:
    explicit ActivityIndicator(QWidget* parent = nullptr);

    // Shows it at the top right corner of the primary screen's available area, out of
    // the way of most clicks a flow makes.
    void showInCorner();
    QPushButton* button() const { return m_button; }

signals:
    void clicked();

private:
    QPushButton* m_button;
};
