#include "delivery/pdf_share_payload.h"

#include "delivery/file_error.h"
#include "delivery/private_folder.h"
#include "statement_pdf/stub_pdf.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

#include <cstdio>
#include <unistd.h>

namespace {

const QString rootName = QStringLiteral("CorvaneSharedPDFs");

} // namespace

QString PDFSharePayload::temporaryRoot() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) &&
        PrivateFolder::inspect(runtime) == PrivateFolder::State::safe)
        return QDir(runtime).filePath(rootName);
    return QDir(QDir::tempPath()).filePath(rootName + u'-' + QString::number(::geteuid()));
}

void PDFSharePayload::clearPreviousSessionFiles() {
    const QString root = temporaryRoot();
    switch (PrivateFolder::inspect(root)) {
    case PrivateFolder::State::absent:
        return;
    case PrivateFolder::State::unsafe:
        std::fprintf(stderr, "corvane: not removing %s: it is not a private folder of this user\n",
                     qPrintable(QDir::toNativeSeparators(root)));
        return;
    case PrivateFolder::State::safe:
        // removeRecursively() deletes symlinks themselves and never follows them.
        if (!QDir(root).removeRecursively())
            std::fprintf(stderr, "corvane: could not remove all of %s\n",
                         qPrintable(QDir::toNativeSeparators(root)));
        return;
    }
}

QString PDFSharePayload::prepareFile(const PayrollDraft &draft) {
    draft.validate();

    const QString root = temporaryRoot();
    const QString parent = QFileInfo(root).absolutePath();
    if (!QDir().mkpath(parent)) throw FileError(QStringLiteral("无法创建文件夹“%1”。").arg(parent));
    PrivateFolder::ensure(root);

    const QString folder =
        QDir(root).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
    PrivateFolder::create(folder);

    const QString path = QDir(folder).filePath(draft.filename() + QStringLiteral(".pdf"));
    const QByteArray bytes = StubPDF::make(draft); // a failure leaves the empty folder
    PrivateFolder::writeFile(path, bytes);
    return path;
}
