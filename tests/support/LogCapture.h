#pragma once

#include <QMap>
#include <QStringList>
#include <QtGlobal>

// Keeps the program's "tapwise" log lines while it lives, and swallows the rest.
class LogCapture {
public:
    LogCapture() : m_previous(qInstallMessageHandler(&LogCapture::handler)) { active = this; }
    ~LogCapture() {
        qInstallMessageHandler(m_previous);
        active = nullptr;
    }

    QStringList messages(QtMsgType type) const { return m_lines.value(type); }

private:
    static void handler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (active && qstrcmp(context.category, "tapwise") == 0) active->m_lines[type] << text;
    }

    static inline LogCapture* active = nullptr;
    QtMessageHandler m_previous;
    QMap<int, QStringList> m_lines;
};
