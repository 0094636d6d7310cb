#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QHBoxLayout;
class RibbonPanel;

// One page of the ribbon: captioned panels side by side, thin lines between them.
class RibbonCategory : public QWidget {
    Q_OBJECT

public:
    explicit RibbonCategory(const QString& title, QWidget* parent = nullptr);

    QString title() const { return m_title; }

    // Appends a panel at the right end of the page; the page owns it.
    RibbonPanel* addPanel(const QString& title);
    QList<RibbonPanel*> panels() const { return m_panels; }

private:
    QString m_title;
    QList<RibbonPanel*> m_panels;
    QHBoxLayout* m_layout;
};
