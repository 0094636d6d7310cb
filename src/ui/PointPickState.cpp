#include "ui/PointPickState.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

#include "core/AppLog.h"
#include "platform/ButtonWatch.h"
#include "platform/GlobalHotkey.h"
#include "platform/Platform.h"
#include "ui/PointSelectWidget.h"

QMainWindow* findMainWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (auto* main = qobject_cast<QMainWindow*>(w)) return main;
    return nullptr;
}

PointPickState& PointPickState::instance() {
    static PointPickState state;
    return state;
}

void PointPickState::setNotifier(Notifier n) {
    m_notifier = std::move(n);
}

void PointPickState::notify(const QString& text) {
    const QString title = tr("TapwiseZindra-键盘鼠标自动化输入工具");
    if (m_notifier)
        m_notifier(title, text);
    else
        QMessageBox::warning(findMainWindow(), title, text);
}

bool PointPickState::start(PointSelectWidget* picker) {
    if (!picker) return false;
    if (!m_picking) {
        ButtonWatch& w = Platform::buttonWatch();
        QString error;
        if (!w.isInstalled() && !w.install(&error)) {
            qCWarning(appLog).noquote() << "cannot watch mouse buttons for a point pick:" << error;
            notify(tr("无法在桌面上捕获鼠标点击，不能选取坐标。\n%1").arg(error));
            return false;
        }
        m_watch = &w;
        m_pressConnection =
            connect(&w, &ButtonWatch::buttonPressed, this, &PointPickState::onButtonPressed);
        m_escape = new GlobalHotkey(QKeySequence(Qt::Key_Escape), true, this);
        connect(m_escape, &GlobalHotkey::activated, this, &PointPickState::cancel);
    } else if (m_activePicker && m_activePicker != picker) {
        m_activePicker->dropOverlay();
    }
    picker->showOverlay();
    m_activePicker = picker;
    m_picking = true;
    if (QMainWindow* main = findMainWindow()) main->hide();
    return true;
}

void PointPickState::onButtonPressed(Qt::MouseButton button, const QPoint& globalPos) {
    if (!m_picking || (button != Qt::LeftButton && button != Qt::RightButton)) return;
    if (m_activePicker) m_activePicker->finishPick(globalPos);
    endPick();
}

void PointPickState::pickerDestroyed(PointSelectWidget* picker) {
    if (m_picking && m_activePicker == picker) endPick();
}

void PointPickState::cancel() {
    if (!m_picking) return;
    if (m_activePicker) m_activePicker->dropOverlay();
    endPick();
}

void PointPickState::endPick() {
    m_picking = false;
    disconnect(m_pressConnection);
    if (m_escape) m_escape->deleteLater();  // Escape may be what is ending the pick
    m_escape = nullptr;
    if (QMainWindow* main = findMainWindow()) {
        main->showNormal();
        main->raise();
        main->activateWindow();
    }
    if (m_watch) m_watch->remove();
    m_watch = nullptr;
}
