#include "platform/Platform.h"

#include <QtGlobal>
#include <memory>
#include <mutex>

#include "core/AppLog.h"
#include "platform/ButtonWatch.h"
#include "platform/InputBackend.h"
#include "platform/InputRecorder.h"
#include "platform/KeepAwake.h"
#include "platform/TimerResolution.h"
#include "platform/UnavailableButtonWatch.h"
#include "platform/UnavailableHotkeyBackend.h"
#include "platform/UnavailableInputBackend.h"
#include "platform/UnavailableInputRecorder.h"

#if defined(Q_OS_WIN)
#include "platform/win32/Win32ButtonWatch.h"
#include "platform/win32/Win32HotkeyBackend.h"
#include "platform/win32/Win32InputBackend.h"
#include "platform/win32/Win32InputRecorder.h"
#include "platform/win32/Win32KeepAwake.h"
#include "platform/win32/Win32TimerResolution.h"
#elif defined(FLOWSMITH_HAVE_X11)
#include "platform/x11/X11ButtonWatch.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11HotkeyBackend.h"
#include "platform/x11/X11InputBackend.h"
#include "platform/x11/X11InputRecorder.h"
#include "platform/x11/X11KeepAwake.h"
#endif
#if defined(Q_OS_LINUX)
#include "platform/x11/LinuxTimerResolution.h"
#endif

namespace {

// One service: the default made on first use, or the one a test installed.
template <typename Service>
class Slot {
public:
    template <typename Make>
    Service& get(Make make) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_override) return *m_override;
        if (!m_made) m_made = make();
        return *m_made;
    }
    void set(Service* service) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_override = service;
    }

private:
    std::mutex m_mutex;
    std::unique_ptr<Service> m_made;
    Service* m_override = nullptr;
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
Slot<InputRecorder>& recorderSlot() {
    static Slot<InputRecorder> s;
    return s;
}

// Logs the missing backend once per service, so a user reading the log sees why
// replay, hotkeys or picking do nothing.
[[maybe_unused]] QString reportedReason(const char* service, const QString& reason) {
    qCWarning(appLog).noquote() << service << "unavailable:" << reason;
    return reason;
}

}  // namespace

namespace {
const char* const kWaylandReason =
    "Wayland does not let ordinary programs inject input or grab keys; "
    "run Flowsmith in an X11 session";

// Why there is no X display to talk to, or empty when DISPLAY names one.
[[maybe_unused]] QString missingDisplayReason() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) return QString();
    return QString::fromLatin1(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                   ? kWaylandReason
                                   : "there is no X11 display (DISPLAY is not set)");
}
}  // namespace

#if defined(FLOWSMITH_HAVE_X11)
namespace {
// Under XWayland, XTest and key grabs reach only the other X11 programs.
QString x11Reason(const X11Connection& connection) {
    return connection.isXWayland() ? QString::fromLatin1(kWaylandReason) : QString();
}

// The X11 service when a display is reachable and not XWayland; otherwise the reason.
template <typename Service>
std::unique_ptr<Service> openX11(QString* reason) {
    *reason = missingDisplayReason();
    if (!reason->isEmpty()) return nullptr;
    auto service = std::make_unique<Service>();
    if (!service->open(reason)) return nullptr;
    *reason = x11Reason(service->connection());
    return reason->isEmpty() ? std::move(service) : nullptr;
}
}  // namespace
#endif

void Platform::setDisplayLostHandler(void (*handler)()) {
#if defined(FLOWSMITH_HAVE_X11)
    X11Connection::setLostHandler(handler);
#else
    Q_UNUSED(handler);  // a Windows desktop does not go away under a running program
#endif
}

QString Platform::unavailableReason() {
#if defined(Q_OS_WIN)
    return QString();
#elif defined(FLOWSMITH_HAVE_X11)
    const QString noDisplay = missingDisplayReason();
    if (!noDisplay.isEmpty()) return noDisplay;
    // The probe stays connected: an X server that loses its last client resets,
    // and a service connecting right after that would find no server.
    static std::mutex probeLock;
    static X11Connection* probe = new X11Connection;
    std::lock_guard<std::mutex> lock(probeLock);
    QString error;
    if (!probe->open(&error)) return error;
    return x11Reason(*probe);
#else
    const QString noDisplay = missingDisplayReason();
    return noDisplay.isEmpty() ? QStringLiteral("no desktop backend is built into this program")
                               : noDisplay;
#endif
}

InputBackend& Platform::input() {
    return inputSlot().get([]() -> std::unique_ptr<InputBackend> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32InputBackend>();
#elif defined(FLOWSMITH_HAVE_X11)
        QString reason;
        if (auto backend = openX11<X11InputBackend>(&reason)) return backend;
        return std::make_unique<UnavailableInputBackend>(reportedReason("input injection", reason));
#else
        return std::make_unique<UnavailableInputBackend>(
            reportedReason("input injection", unavailableReason()));
#endif
    });
}

HotkeyBackend& Platform::hotkeys() {
    return hotkeySlot().get([]() -> std::unique_ptr<HotkeyBackend> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32HotkeyBackend>();
#elif defined(FLOWSMITH_HAVE_X11)
        QString reason;
        if (auto backend = openX11<X11HotkeyBackend>(&reason)) return backend;
        return std::make_unique<UnavailableHotkeyBackend>(reportedReason("global hotkeys", reason));
#else
        return std::make_unique<UnavailableHotkeyBackend>(
            reportedReason("global hotkeys", unavailableReason()));
#endif
    });
}

ButtonWatch& Platform::buttonWatch() {
    return watchSlot().get([]() -> std::unique_ptr<ButtonWatch> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32ButtonWatch>();
#elif defined(FLOWSMITH_HAVE_X11)
        // A watch that cannot work (no XInput 2) says so when it is installed.
        QString reason;
        if (auto watch = openX11<X11ButtonWatch>(&reason)) return watch;
        return std::make_unique<UnavailableButtonWatch>(
            reportedReason("global button watch", reason));
#else
        return std::make_unique<UnavailableButtonWatch>(
            reportedReason("global button watch", unavailableReason()));
#endif
    });
}

KeepAwake& Platform::keepAwake() {
    return awakeSlot().get([]() -> std::unique_ptr<KeepAwake> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32KeepAwake>();
#elif defined(FLOWSMITH_HAVE_X11)
        QString reason;
        if (auto awake = openX11<X11KeepAwake>(&reason)) {
            // Without the screen-saver extension it still asks over D-Bus.
            if (!awake->hasScreenSaverExtension())
                reportedReason("screen saver suspension",
                               QStringLiteral("no MIT-SCREEN-SAVER extension"));
            return awake;
        }
        reportedReason("keep-awake", reason);
        return std::make_unique<KeepAwake>();
#else
        reportedReason("keep-awake", unavailableReason());
        return std::make_unique<KeepAwake>();
#endif
    });
}

TimerResolution& Platform::timerResolution() {
    return resolutionSlot().get([]() -> std::unique_ptr<TimerResolution> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32TimerResolution>();
#elif defined(Q_OS_LINUX)
        return std::make_unique<LinuxTimerResolution>();
#else
        return std::make_unique<TimerResolution>();
#endif
    });
}

InputRecorder& Platform::inputRecorder() {
    return recorderSlot().get([]() -> std::unique_ptr<InputRecorder> {
#if defined(Q_OS_WIN)
        return std::make_unique<Win32InputRecorder>();
#elif defined(FLOWSMITH_HAVE_X11)
        QString reason;
        if (auto recorder = openX11<X11InputRecorder>(&reason)) return recorder;
        return std::make_unique<UnavailableInputRecorder>(
            reportedReason("input recording", reason));
#else
        return std::make_unique<UnavailableInputRecorder>(
            reportedReason("input recording", unavailableReason()));
#endif
    });
}

void Platform::setInput(InputBackend* backend) {
    inputSlot().set(backend);
}
void Platform::setHotkeys(HotkeyBackend* backend) {
    hotkeySlot().set(backend);
}
void Platform::setButtonWatch(ButtonWatch* watch) {
    watchSlot().set(watch);
}
void Platform::setKeepAwake(KeepAwake* keepAwake) {
    awakeSlot().set(keepAwake);
}
void Platform::setTimerResolution(TimerResolution* resolution) {
    resolutionSlot().set(resolution);
}
void Platform::setInputRecorder(InputRecorder* recorder) {
    recorderSlot().set(recorder);
}
