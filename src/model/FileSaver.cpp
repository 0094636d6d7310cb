#include "model/FileSaver.h"

#include <QFileInfo>
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

bool writeInPlace(const QString& path, const QByteArray& bytes, QString* error) {
    QFile file(path);
    // Opened without truncating: new content no longer than the old one then never
    // needs more room than the file already has, and a full disk cannot empty it.
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *error = file.errorString();
        return false;
    }
    if (!writeAll(file, bytes, error)) return false;
    if (!file.resize(bytes.size())) {
        *error = file.errorString();
        return false;
    }
    file.close();
    if (file.error() == QFileDevice::NoError) return true;
    *error = file.errorString();
    return false;
}

bool isWritableFile(const QFileInfo& info) {
    return info.isFile() && info.isWritable();
}

}  // namespace

bool FileSaver::save(const QString& path, const QByteArray& bytes, QString* error) {
    const QFileInfo target(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *error = file.errorString();
        // A folder that refuses new files may still hold a file we may write.
        const bool folderRefuses = !QFileInfo(target.absolutePath()).isWritable();
        return folderRefuses && isWritableFile(target) && writeInPlace(path, bytes, error);
    }
    if (!writeAll(file, bytes, error)) {
        file.cancelWriting();
        return false;
    }
    if (file.commit()) return true;
    *error = file.errorString();
    // The new file was complete but could not replace the old one, as in a sticky
    // folder where another user's file may be written but not replaced.
    return isWritableFile(QFileInfo(path)) && writeInPlace(path, bytes, error);
}
