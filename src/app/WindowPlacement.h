#pragma once

class QWidget;

// Where a top-level window first appears.
class WindowPlacement {
public:
    // Shows `window` at its current size where that fits the available area of its
    // screen (the screen less panels and task bars) with room for the frame the window
    // manager adds; otherwise maximized, which fills exactly that area.
    static void showFitted(QWidget* window);
};
