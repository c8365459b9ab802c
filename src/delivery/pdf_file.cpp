#include "delivery/pdf_file.h"

#include "delivery/file_error.h"

#include <QFileInfo>
#include <QSaveFile>

void PDFFile::write(const QString &path) const {
    QSaveFile file(path);
    const auto fail = [&](const QString &reason) {
        throw FileError(QStringLiteral("无法保存“%1”：%2").arg(path, reason));
    };
    if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
    // A short write (a full disk) carries no reason; the next one fails with it.
    for (qsizetype done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            // Cancelling replaces the system's reason with its own, so read it first.
            const QString reason = file.errorString();
            file.cancelWriting();
            fail(reason);
        }
        done += written;
    }
    if (!file.commit()) fail(file.errorString());
}

PDFFile PDFFile::read(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return {file.readAll()};
}
