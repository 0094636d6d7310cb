#pragma once

#include <QMainWindow>

class RibbonBar;

// A main window whose menu bar place is taken by a ribbon bar.
class RibbonMainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit RibbonMainWindow(QWidget* parent = nullptr);

    RibbonBar* ribbonBar() const { return m_ribbonBar; }

private:
    RibbonBar* m_ribbonBar;
};
