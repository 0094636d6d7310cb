#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

class QAction;
class QHBoxLayout;
class QLabel;
class QToolButton;

// A group of large buttons with its caption centred underneath.
// Every action added to the panel (also through QWidget::addAction) gets a button
// that mirrors the action's text, icon, enabled and visible state and triggers it.
class RibbonPanel : public QWidget {
    Q_OBJECT

public:
    explicit RibbonPanel(const QString& title, QWidget* parent = nullptr);

    QString title() const;

    void addLargeAction(QAction* action);
    // A widget of its own (a small form) after the buttons.
    void addWidget(QWidget* widget);

    // The button that shows `action`, or null when the action is not in the panel.
    QToolButton* buttonFor(QAction* action) const { return m_buttons.value(action); }

protected:
    void actionEvent(QActionEvent* event) override;

private:
    QHBoxLayout* m_buttonRow;
    QLabel* m_caption;
    QHash<QAction*, QToolButton*> m_buttons;
};
