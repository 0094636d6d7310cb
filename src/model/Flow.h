#pragma once

#include <QList>
#include <QObject>
#include <QString>

class GlobalHotkey;
class Operation;

// The document: a named, ordered list of operations with a hotkey and two
// timestamps, read from and written to a flow file.
class Flow : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString name READ name)
    Q_PROPERTY(QString description READ description WRITE setDescription)
    Q_PROPERTY(QString createTime READ createTime)
    Q_PROPERTY(QString lastModifiedTime READ lastModifiedTime)
    Q_CLASSINFO("prop_name", "流名称")
    Q_CLASSINFO("prop_description", "流描述")
    Q_CLASSINFO("prop_createTime", "创建时间")
    Q_CLASSINFO("prop_lastModifiedTime", "修改时间")
public:
    static constexpr quint32 kFileMagic = 0x8E62D879;

    // Why the last load or save failed.
    enum class Failure { None, CannotOpen, CannotWrite, BadContent };

    explicit Flow(QObject* parent = nullptr);
    ~Flow() override;

    bool save(const QString& path);
    bool load(const QString& path);

    QString name() const { return m_name; }
    QString description() const { return m_description; }
    void setDescription(const QString& text) { m_description = text; }
    QString createTime() const { return m_createTime; }
    QString lastModifiedTime() const { return m_lastModifiedTime; }

    // The text the last failed load or save logged or showed, and its kind.
    QString lastError() const { return m_errorText; }
    Failure lastFailure() const { return m_failure; }

    // Header fields for tools that build flows from other descriptions (flowctl).
    void setHeader(const QString& name, const QString& description, const QString& hotkey,
                   const QString& createTime, const QString& lastModifiedTime);

    // The steps in execution order, owned by the flow; never holds null.
    QList<Operation*> operations;
    // Text of the key sequence that triggers the flow; empty means none.
    QString hotkey = QLatin1String("");
    GlobalHotkey* hotkeyObject = nullptr;

signals:
    void sigHotkeyActivated(Flow* flow);

public slots:
    void onHotkeyActivated();

private:
    void clearOperations();
    void registerHotkey();
    bool fail(Failure kind, const QString& text);

    QString m_name = QLatin1String("");
    QString m_description = QLatin1String("");
    QString m_createTime;
    QString m_lastModifiedTime;
    QString m_errorText;
    Failure m_failure = Failure::None;
};
