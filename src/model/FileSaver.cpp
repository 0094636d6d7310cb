#include "model/FileSaver.h"

#include <QSaveFile>

namespace {

// Qt 5.15's QSaveFile::commit() ignores a failed write of the last buffered bytes and
// on a full disk renames a cut-short file over the old one. So files are opened
// unbuffered and every byte is written and checked here, while cancelling still keeps
// the old file. A write cut short by a full disk returns what fitted without an error;
// writing the rest then says why.
bool writeAll(QFileDevice& file, const QByteArray& bytes, QString* error) {
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            *error = file.errorString();
            return false;
        }
        done += written;
    }
    if (file.flush()) return true;
    *error = file.errorString();
    return false;
}

}  // namespace

bool FileSaver::save(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (!writeAll(file, bytes, error)) {
        file.cancelWriting();
        return false;
    }
    if (file.commit()) return true;
    *error = file.errorString();
    return false;
}
