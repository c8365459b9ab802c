#include "delivery/pdf_file.h"

#include "delivery/file_error.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

void PDFFile::write(const QString &path) const {
    QSaveFile file(path);
    const auto fail = [&](const QString &reason) {
        throw FileError(QStringLiteral("无法保存“%1”：%2").arg(path, reason));
    };
    // Unbuffered, so every write reaches the file now and its failure is seen here: a
    // statement fits in the buffer, whose failed flush at commit() is not reported.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail(file.errorString());
    const auto abandon = [&](const QString &reason) {
        file.cancelWriting(); // the temporary file goes; the old file stays as it was
        fail(reason);
    };
    for (qsizetype done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        // A short write (a full disk) carries no reason; the next one fails with it.
        // Cancelling replaces the system's reason with its own, so it is read first.
        if (written <= 0) abandon(file.errorString());
        done += written;
    }
    // commit() ignores a failed sync, which is where a delayed allocation reports a
    // full disk.
    if (::fsync(file.handle()) != 0) abandon(QString::fromLocal8Bit(std::strerror(errno)));
    if (!file.commit()) fail(file.errorString());
}

PDFFile PDFFile::read(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return {file.readAll()};
}
