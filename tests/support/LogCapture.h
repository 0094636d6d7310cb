#pragma once

#include <QMap>
#include <QStringList>
#include <QtGlobal>

// Keeps the program's "tapwise" log lines while it lives, and swallows the rest.
class LogCapture {
public:
    LogCapture() : previous(qInstallMessageHandler(&LogCapture::handler)) { active = this; }
    ~LogCapture() {
        qInstallMessageHandler(previous);
        active = nullptr;
    }

    QStringList messages(QtMsgType type) const { return lines.value(type); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (active && qstrcmp(context.category, "tapwise") == 0) active->lines[type] << text;
    }

    static inline LogCapture* active = nullptr;
    QtMessageHandler previous;
    QMap<int, QStringList> lines;
};
