#pragma once

#include <QDataStream>
#include <QObject>
#include <QString>
#include <memory>

// One step of a flow: a wait of `interval` milliseconds, then some synthetic input.
class Operation : public QObject {
    Q_OBJECT
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    Q_CLASSINFO("prop_interval", "执行间隔（毫秒）")
public:
    static constexpr int kDefaultInterval = 50;

    explicit Operation(QObject* parent = nullptr);

    int interval() const { return m_interval; }
    void setInterval(int milliseconds) { m_interval = milliseconds; }

    // Translated group name under which the palette lists the type.
    virtual QString category() const = 0;
    // Stable key: the factory key and the tag written in flow files.
    virtual QString typeName() const = 0;
    virtual QString displayName() const = 0;
    virtual QString iconPath() const = 0;
    // Sends the operation's input at once, without waiting.
    virtual void execute() = 0;
    virtual void writeTo(QDataStream& stream) const = 0;
    virtual void readFrom(QDataStream& stream) = 0;
    virtual QString description() const = 0;
    // A new object of the same class with every stored value copied, without a parent.
    virtual std::unique_ptr<Operation> clone() const = 0;

    // Waits the interval while a run is active, then executes unless the run was
    // stopped meanwhile. Called on the run thread.
    void waitAndExecute();

protected:
    // True while execute() runs as a step of a run that has been stopped since:
    // a long step checks it between its pieces of input. Never true for a direct
    // call of execute().
    static bool stopRequested();

private:
    int m_interval = kDefaultInterval;
};
