#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content so that afterwards the file holds either all of the new
// bytes or the old ones: the new content goes to a file beside the old one, is
// written and checked, and is then renamed over it. Only where the folder refuses
// the new file or the rename (a read-only folder, another user's file in a sticky
// folder) is the file rewritten in place, keeping its owner and permissions.
class FileSaver {
public:
    // True when `bytes` are the file's content now; otherwise *error says why.
    static bool save(const QString& path, const QByteArray& bytes, QString* error);
};
