#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QtGlobal>

// Collects every Qt message of the process while it lives, so a test can check
// which lines the code logged. Restores the previous handler when destroyed;
// captures nest, the innermost one collecting.
class LogCapture {
public:
    struct Entry {
        QtMsgType type;
        QString category;
        QString message;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QList<Entry> entries() const;
    // The messages of one category at one level, in the order they were logged.
    QStringList messages(const QString& category, QtMsgType type) const;
    void clear();

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text);

    mutable QMutex lock;
    QList<Entry> collected;
    QtMessageHandler previous = nullptr;
    LogCapture* outer = nullptr;
};
