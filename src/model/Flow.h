#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

class GlobalHotkey;
class Operation;

// The document: a named, ordered list of operations with a hotkey and two
// timestamps, read from and written to a flow file.
//
// The list is private and changes only through the calls below, each of which
// announces itself by a signal before and after, so a view can follow every change.
// The flow owns the operations it lists and is their QObject parent; an operation
// outside a flow is held by a std::unique_ptr and has no parent.
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
    void setDescription(const QString& text);
    QString createTime() const { return m_createTime; }
    QString lastModifiedTime() const { return m_lastModifiedTime; }

    // The text the last failed load or save logged or showed, and its kind.
    QString lastError() const { return m_errorText; }
    Failure lastFailure() const { return m_failure; }
    // After a load that found the file damaged: what is wrong with it and how much of it
    // was read, in the user's words.
    QString lastLoadReport() const { return m_loadReport; }

    // Header fields for tools that build flows from other descriptions (flowctl).
    void setHeader(const QString& name, const QString& description, const QString& hotkey,
                   const QString& createTime, const QString& lastModifiedTime);

    // The steps in execution order; never holds null.
    const QList<Operation*>& operations() const { return m_operations; }
    int operationCount() const { return m_operations.size(); }
    // The operation of `row`, or null outside the list.
    Operation* operationAt(int row) const;
    int indexOf(const Operation* op) const {
        return m_operations.indexOf(const_cast<Operation*>(op));
    }

    // Puts `ops` into the list in their order, the first at `row` (0 <= row <= count);
    // false, destroying them, for a row outside that range.
    bool insertOperations(int row, std::vector<std::unique_ptr<Operation>> ops);
    void appendOperation(std::unique_ptr<Operation> op);
    // Takes `count` operations from `row` on out of the list and hands them over;
    // nothing for a range that is not wholly inside the list.
    std::vector<std::unique_ptr<Operation>> takeOperations(int row, int count);
    // Moves one operation so that it ends up at `to` (both rows of the list).
    bool moveOperation(int from, int to);
    // Writes the Qt property `name` of the operation of `row`; false when the row does
    // not exist or the operation refuses the value.
    bool setOperationValue(int row, const char* name, const QVariant& value);

    // Text of the key sequence that triggers the flow; empty means none.
    QString hotkey = QLatin1String("");
    GlobalHotkey* hotkeyObject = nullptr;

signals:
    void sigHotkeyActivated(Flow* flow);

    // Rows first..last (inclusive) of the list after the insertion or before the removal.
    void operationsAboutToBeInserted(int first, int last);
    void operationsInserted(int first, int last);
    void operationsAboutToBeRemoved(int first, int last);
    void operationsRemoved(int first, int last);
    void operationAboutToBeMoved(int from, int to);
    void operationMoved(int from, int to);
    // A value of the operation of `row` was written.
    void operationChanged(int row);
    // The description (or, from a tool, the whole header) was replaced.
    void headerChanged();
    // A load replaces everything; the list is not to be read in between.
    void aboutToBeReset();
    void resetDone();

public slots:
    void onHotkeyActivated();

private:
    void clearOperations();
    void registerHotkey();
    bool fail(Failure kind, const QString& text);

    QList<Operation*> m_operations;
    QString m_name = QLatin1String("");
    QString m_description = QLatin1String("");
    QString m_createTime;
    QString m_lastModifiedTime;
    QString m_errorText;
    QString m_loadReport;
    Failure m_failure = Failure::None;
};
