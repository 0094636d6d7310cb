#include "widgets/ribbon/RibbonMainWindow.h"

#include "widgets/ribbon/RibbonBar.h"

RibbonMainWindow::RibbonMainWindow(QWidget* parent)
    : QMainWindow(parent), m_ribbonBar(new RibbonBar(this)) {
    // The menu widget spans the full window width above tool bars and docks,
    // which is where users expect a ribbon.
    setMenuWidget(m_ribbonBar);
}
