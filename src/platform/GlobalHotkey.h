#pragma once

#include <QKeySequence>
#include <QObject>

// A key combination that triggers activated() wherever the keyboard focus is.
class GlobalHotkey : public QObject {
    Q_OBJECT
public:
    explicit GlobalHotkey(QObject* parent = nullptr);
    GlobalHotkey(const QKeySequence& shortcut, bool autoRegister, QObject* parent = nullptr);
    ~GlobalHotkey() override;

    QKeySequence shortcut() const { return m_shortcut; }
    bool isRegistered() const { return m_registered; }
    // Grabs or releases the key; false (with one log line) when the platform refuses.
    bool setRegistered(bool registerIt);
    bool setShortcut(const QKeySequence& shortcut, bool autoRegister = false);

    // While set, the key fires whatever other modifiers and lock keys are held, for
    // each combination that no other program has grabbed: a stop key that must work
    // while a replay holds Shift or Ctrl down. Takes effect at once when registered;
    // false (the setting unchanged) when the platform refuses.
    bool setAnyModifiers(bool any);
    bool anyModifiers() const { return m_anyModifiers; }

signals:
    void activated();

private:
    bool grab();

    QKeySequence m_shortcut;
    bool m_registered = false;
    bool m_anyModifiers = false;
};
