#pragma once

#include <QSize>
#include <QString>
#include <QVector>
#include <mutex>

#include "platform/InputRecord.h"

// Where synthetic input goes: the desktop (X11, Win32) or, in tests, a recorder.
// Called from the run thread; implementations must be safe to call from any thread.
class InputBackend {
public:
    virtual ~InputBackend() = default;

    // Injects a batch in order and remembers which keys and buttons it left held.
    // Returns false when the platform refused or cannot inject at all.
    bool send(const InputBatch& batch);
    // Releases every key and mouse button that earlier batches pressed and did not
    // release, so that stopping a run never leaves a modifier stuck.
    void releaseHeld();
    bool hasHeldInput() const;

    // Width and height of the primary screen in the pixels absolute moves address.
    virtual QSize screenSize() = 0;
    // False where injection cannot work (no display, Wayland); the reason says why.
    virtual bool isAvailable() const { return true; }
    virtual QString unavailableReason() const { return QString(); }

protected:
    virtual bool inject(const InputBatch& batch) = 0;

private:
    void track(const InputRecord& record);

    mutable std::mutex m_heldLock;      // not QMutex: ThreadSanitizer cannot see Qt's locking
    QVector<quint16> m_heldKeys;        // virtual keys, in press order
    QVector<quint16> m_heldCharacters;  // UTF-16 code units typed but not released
    quint32 m_heldButtons = 0;          // mouse down flags without their up
};
