#include "delivery/pdf_share_payload.h"

#include "delivery/file_error.h"
#include "delivery/pdf_protection.h"
#include "delivery/private_folder.h"
#include "statement_pdf/stub_pdf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QUuid>

#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using PrivateFolder::Descriptor;

namespace {

const QString rootName = QStringLiteral("CorvaneSharedPDFs");
// Every running instance holds a shared lock on this file in the root; the start-up
// removal takes it exclusively, so it never removes what a live instance made. The
// kernel releases the lock when a process ends.
const QByteArray lockName = QByteArrayLiteral(".instances");

// The lock this process holds, and which root it is in.
struct InstanceLock {
    QMutex mutex;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
};

InstanceLock &instanceLock() {
    static InstanceLock lock;
    return lock;
}

// Opens the root below its parent folder, creating it when absent and `create` is set.
// An invalid descriptor means it is absent. Throws FileError when it may not be used.
Descriptor openRoot(const QString &root, bool create) {
    const QFileInfo info(root);
    const Descriptor parent = PrivateFolder::openPath(info.absolutePath());
    const QByteArray name = QFile::encodeName(info.fileName());
    PrivateFolder::Opened opened = PrivateFolder::open(parent.get(), name);
    if (opened.state == PrivateFolder::State::absent && create) {
        try {
            return PrivateFolder::create(parent.get(), name, root);
        } catch (const FileError &) {
            // Another request or instance may have made it meanwhile.
            opened = PrivateFolder::open(parent.get(), name);
            if (opened.state == PrivateFolder::State::absent) throw;
        }
    }
    if (opened.state == PrivateFolder::State::unsafe)
        throw FileError(
            QStringLiteral("共享文件夹“%1”（所有者：%2）不是仅限本用户访问的文件夹，"
                           "已停止写入。请让所有者删除这个文件夹，或把 "
                           "XDG_RUNTIME_DIR 设为仅限本用户访问的文件夹后重新启动 "
                           "Corvane。")
                .arg(QDir::toNativeSeparators(root), PrivateFolder::userName(opened.owner)));
    return std::move(opened.folder);
}

enum class Clearing { done, othersRunning, incomplete };

// Holds this instance's shared lock in `root`. With `clear`, first empties the root
// unless another instance holds the lock too.
Clearing holdInstanceLock(int root, bool clear) {
    InstanceLock &lock = instanceLock();
    QMutexLocker locked(&lock.mutex);
    struct stat st;
    if (::fstat(root, &st) != 0) return Clearing::incomplete;
    if (lock.fd < 0 || lock.device != st.st_dev || lock.inode != st.st_ino) {
        if (lock.fd >= 0) ::close(lock.fd);
        lock.fd =
            ::openat(root, lockName.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (lock.fd < 0) return Clearing::incomplete;
        lock.device = st.st_dev;
        lock.inode = st.st_ino;
        if (!clear) ::flock(lock.fd, LOCK_SH);
    }
    if (!clear) return Clearing::done;
    // Taking it exclusively succeeds only while no other instance holds it.
    if (::flock(lock.fd, LOCK_EX | LOCK_NB) != 0) {
        ::flock(lock.fd, LOCK_SH);
        return Clearing::othersRunning;
    }
    const bool removed = PrivateFolder::removeContents(root, lockName);
    ::flock(lock.fd, LOCK_SH);
    return removed ? Clearing::done : Clearing::incomplete;
}

} // namespace

QString PDFSharePayload::temporaryRoot() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) &&
        PrivateFolder::inspect(runtime) == PrivateFolder::State::safe) {
        // A symlink above it (a /var/run that leads to /run) would stop every share, as
        // links are never followed there: the temporary folder is used instead.
        try {
            PrivateFolder::openPath(runtime);
            return QDir(runtime).filePath(rootName);
        } catch (const FileError &) {
        }
    }
    return QDir(QDir::tempPath()).filePath(rootName + u'-' + QString::number(::geteuid()));
}

void PDFSharePayload::clearPreviousSessionFiles() {
    const QString root = QDir::toNativeSeparators(temporaryRoot());
    try {
        // Made now, so that the lock marks this instance from its start.
        const Descriptor folder = openRoot(root, true);
        if (holdInstanceLock(folder.get(), true) == Clearing::incomplete)
            std::fprintf(stderr, "corvane: could not remove all of %s\n", qPrintable(root));
    } catch (const FileError &e) {
        std::fprintf(stderr, "corvane: not removing the shared files: %s\n", e.what());
    }
}

QString PDFSharePayload::prepareFile(const PayrollDraft &draft) {
    return prepareFile(draft, QString());
}

QString PDFSharePayload::prepareFile(const PayrollDraft &draft, const QString &password) {
    draft.validate();

    const QString root = temporaryRoot();
    const Descriptor rootFolder = openRoot(root, true);
    holdInstanceLock(rootFolder.get(), false);

    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString folderPath = QDir(root).filePath(name);
    const Descriptor folder =
        PrivateFolder::create(rootFolder.get(), QFile::encodeName(name), folderPath);

    const QString fileName = draft.filename() + QStringLiteral(".pdf");
    const QString path = QDir(folderPath).filePath(fileName);
    QByteArray bytes = StubPDF::make(draft); // a failure leaves the empty folder
    if (!password.isEmpty()) bytes = PdfProtection::encrypt(bytes, password);
    PrivateFolder::writeFile(folder.get(), QFile::encodeName(fileName), bytes, path);
    return path;
}
