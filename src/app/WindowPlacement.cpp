#include "app/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace {
// A title bar and borders; the real frame is unknown until the window is shown.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 48;
}  // namespace

void WindowPlacement::showFitted(QWidget* window) {
    const QScreen* screen = window->screen();
    const QSize room = screen
                           ? screen->availableGeometry().size() - QSize(kFrameWidth, kFrameHeight)
                           : window->size();
    if (window->width() <= room.width() && window->height() <= room.height()) {
        window->show();
        return;
    }
    window->resize(window->size().boundedTo(room));  // its size once restored
    window->showMaximized();
}
