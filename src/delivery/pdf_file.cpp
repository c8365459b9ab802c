#include "delivery/pdf_file.h"

#include "delivery/file_error.h"

#include <QFileInfo>
#include <QSaveFile>

void PDFFile::write(const QString &path) const {
    QSaveFile file(path);
    const auto fail = [&] {
        throw FileError(QStringLiteral("无法保存“%1”：%2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly)) fail();
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        fail();
    }
    if (!file.commit()) fail();
}

PDFFile PDFFile::read(const QString &path) {
    const QFileInfo info(path);
    if (!info.isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return {file.readAll()};
}
