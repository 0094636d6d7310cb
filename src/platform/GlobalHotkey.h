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

signals:
    void activated();

private:
    QKeySequence m_shortcut;
    bool m_registered = false;
};
