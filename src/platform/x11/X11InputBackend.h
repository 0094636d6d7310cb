#pragma once

#include <QHash>
#include <QSet>
#include <QVector>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/InputBackend.h"
#include "platform/x11/SpareKeycodePool.h"
#include "platform/x11/SurrogateJoiner.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11KeycodeLedger.h"

// Replays input records on an X11 desktop through XTest, on a connection of its
// own so that the run thread never touches the GUI's. Virtual keys press the key
// that carries their keysym; characters are typed with the key and shift level
// that produce them, or, when the keymap has no such key, through a spare keycode
// bound to the character for the time it is needed.
class X11InputBackend : public InputBackend {
public:
    X11InputBackend();
    ~X11InputBackend() override;

    // Connects and checks for XTest; false with the reason when either fails.
    bool open(QString* error);
    const X11Connection& connection() const { return m_connection; }

    QSize screenSize() override;
    bool isAvailable() const override;
    QString unavailableReason() const override;

    // Time a client is given to read a changed keymap before the key that needs
    // it is sent, and the rest a spare keycode gets before it is bound anew.
    void setKeymapSettleTime(std::chrono::microseconds settle);
    void setSpareReuseGuard(std::chrono::microseconds guard);
    // How long spare keycodes stay bound after their last use.
    void setRestoreDelay(std::chrono::milliseconds delay);
    int spareKeycodeCount() const;
    // Gives every borrowed keycode its empty mapping back (done by itself after a
    // pause in typing, and on destruction).
    void restoreKeymap();

protected:
    bool inject(const InputBatch& batch) override;

private:
    using Clock = std::chrono::steady_clock;
    struct KeyPlace {
        int keycode = 0;
        int level = 0;  // 0 unshifted, 1 shifted
    };

    void readKeymap();
    void drainEvents();
    QSize querySize();
    unsigned queryModifierState();
    // The modifier bit Num Lock sets (Mod2 on common keymaps).
    unsigned numLockMask();
    bool findOnKeymap(quint32 keysym, KeyPlace* place) const;
    bool isAlphabetic(int keycode) const;
    int bindSpare(quint32 keysym, std::unique_lock<std::mutex>& guard);
    void restoreKeycodes(const QVector<int>& keycodes);
    void restoreLoop();
    void logOnce(const QString& key, const QString& message);

    void sendVirtualKey(quint16 virtualKey, bool up, std::unique_lock<std::mutex>& guard);
    void sendCharacter(char32_t character, bool up, std::unique_lock<std::mutex>& guard);
    void sendMouse(const InputRecord& record);
    void fakeKey(int keycode, bool down);

    mutable std::mutex m_mutex;
    X11Connection m_connection;
    QString m_failure;

    int m_minKeycode = 8;
    int m_maxKeycode = 255;
    int m_symsPerKeycode = 0;
    QVector<unsigned long> m_keymap;    // symsPerKeycode keysyms per keycode from minKeycode
    QHash<quint32, KeyPlace> m_places;  // keysym -> the key producing it (spare keycodes excluded)
    QVector<int> m_shiftKeycodes;       // keys bound to the Shift modifier
    int m_shiftKeycode = 0;             // the one pressed when a character needs Shift

    SpareKeycodePool m_spares;
    X11KeycodeLedger m_ledger{m_connection};
    SurrogateJoiner m_joiner;
    QHash<char32_t, int> m_charactersDown;  // character -> keycode it was pressed with
    QHash<quint16, int> m_virtualKeysDown;  // virtual key -> keycode it was pressed with
    QSize m_convertedWith;                  // the size the last absolute conversion used
    QSet<QString> m_reported;

    std::chrono::microseconds m_settleTime;
    std::chrono::microseconds m_reuseGuard;
    std::chrono::milliseconds m_restoreDelay;

    std::condition_variable m_restoreWake;
    bool m_stopping = false;
    std::thread m_restorer;
};
