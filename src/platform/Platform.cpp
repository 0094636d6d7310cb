#include "Platform.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>
#include <memory>

#include "AppLog.h"
#include "ButtonWatch.h"
#include "InputBackend.h"
#include "KeepAwake.h"
#include "TimerResolution.h"
#include "UnavailableButtonWatch.h"
#include "UnavailableHotkeyBackend.h"
#include "UnavailableInputBackend.h"

namespace {

// One service: the default made on first use, or the one a test installed.
template <typename Service>
class Slot {
public:
    template <typename Make>
    Service& get(Make make) {
        QMutexLocker lock(&mutex);
        if (override) return *override;
        if (!made) made = make();
        return *made;
    }
    void set(Service* service) {
        QMutexLocker lock(&mutex);
        override = service;
    }

private:
    QMutex mutex;
    std::unique_ptr<Service> made;
    Service* override = nullptr;
};

Slot<InputBackend>& inputSlot() {
    static Slot<InputBackend> s;
    return s;
}
Slot<HotkeyBackend>& hotkeySlot() {
    static Slot<HotkeyBackend> s;
    return s;
}
Slot<ButtonWatch>& watchSlot() {
    static Slot<ButtonWatch> s;
    return s;
}
Slot<KeepAwake>& awakeSlot() {
    static Slot<KeepAwake> s;
    return s;
}
Slot<TimerResolution>& resolutionSlot() {
    static Slot<TimerResolution> s;
    return s;
}

// Logs the missing backend once per service, so a user reading the log sees why
// replay, hotkeys or picking do nothing.
QString reportedReason(const char* service) {
    const QString reason = Platform::unavailableReason();
    qCWarning(appLog).noquote() << service << "unavailable:" << reason;
    return reason;
}

}  // namespace

QString Platform::unavailableReason() {
    const bool hasDisplay = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool hasWayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!hasDisplay && hasWayland)
        return QStringLiteral(
            "Wayland does not let ordinary programs inject input or grab keys; "
            "run Flowsmith in an X11 session");
    if (!hasDisplay) return QStringLiteral("there is no X11 display (DISPLAY is not set)");
    return QStringLiteral("no desktop backend is built into this program");
}

InputBackend& Platform::input() {
    return inputSlot().get([]() -> std::unique_ptr<InputBackend> {
        return std::make_unique<UnavailableInputBackend>(reportedReason("input injection"));
    });
}

HotkeyBackend& Platform::hotkeys() {
    return hotkeySlot().get([]() -> std::unique_ptr<HotkeyBackend> {
        return std::make_unique<UnavailableHotkeyBackend>(reportedReason("global hotkeys"));
    });
}

ButtonWatch& Platform::buttonWatch() {
    return watchSlot().get([]() -> std::unique_ptr<ButtonWatch> {
        return std::make_unique<UnavailableButtonWatch>(reportedReason("global button watch"));
    });
}

KeepAwake& Platform::keepAwake() {
    return awakeSlot().get([] { return std::make_unique<KeepAwake>(); });
}

TimerResolution& Platform::timerResolution() {
    return resolutionSlot().get([] { return std::make_unique<TimerResolution>(); });
}

void Platform::setInput(InputBackend* backend) { inputSlot().set(backend); }
void Platform::setHotkeys(HotkeyBackend* backend) { hotkeySlot().set(backend); }
void Platform::setButtonWatch(ButtonWatch* watch) { watchSlot().set(watch); }
void Platform::setKeepAwake(KeepAwake* keepAwake) { awakeSlot().set(keepAwake); }
void Platform::setTimerResolution(TimerResolution* resolution) {
    resolutionSlot().set(resolution);
}
