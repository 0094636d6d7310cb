#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content so that afterwards the file holds either all of the new
// bytes or the old ones: the new content goes to a file beside the old one, is
// written and checked, and only then renamed over it.
class FileSaver {
public:
    // True when `bytes` are the file's content now; otherwise *error says why.
    static bool save(const QString& path, const QByteArray& bytes, QString* error);
};
