#include "delivery/private_folder.h"

#include "delivery/file_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFolder {

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

[[noreturn]] void fail(const QString &what, const QString &path, int code) {
    throw FileError(what.arg(path) + QStringLiteral("：") + systemError(code));
}

QByteArray native(const QString &path) {
    return QFile::encodeName(path);
}

} // namespace

State inspect(const QString &path) {
    struct stat st;
    if (::lstat(native(path).constData(), &st) != 0)
        return errno == ENOENT ? State::absent : State::unsafe;
    const bool safe =
        S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
    return safe ? State::safe : State::unsafe;
}

void create(const QString &path) {
    const QByteArray p = native(path);
    // mkdir applies the umask, which can only take bits away from 0700; chmod then
    // makes it exactly 0700 without the folder ever having been open to others.
    if (::mkdir(p.constData(), 0700) != 0) fail(QStringLiteral("无法创建文件夹“%1”"), path, errno);
    if (::chmod(p.constData(), 0700) != 0)
        fail(QStringLiteral("无法设置文件夹“%1”的权限"), path, errno);
}

void ensure(const QString &path) {
    switch (inspect(path)) {
    case State::safe:
        return;
    case State::unsafe:
        throw FileError(
            QStringLiteral("共享文件夹“%1”不是仅限本用户访问的文件夹，已停止写入。").arg(path));
    case State::absent:
        try {
            create(path);
        } catch (const FileError &) {
            // Another request of this run may have made it meanwhile.
            if (inspect(path) != State::safe) throw;
        }
        return;
    }
}

void writeFile(const QString &path, const QByteArray &bytes) {
    // A short name beside the target, so a long file name cannot make it too long.
    const QString temporary = QFileInfo(path).dir().filePath(QStringLiteral(".writing"));
    const QByteArray t = native(temporary);
    const int fd =
        ::open(t.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fail(QStringLiteral("无法写入“%1”"), path, errno);
    const auto abandon = [&](const QString &what) {
        const int code = errno;
        ::close(fd);
        ::unlink(t.constData());
        fail(what, path, code);
    };
    if (::fchmod(fd, 0600) != 0) abandon(QStringLiteral("无法设置“%1”的权限"));
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) abandon(QStringLiteral("无法写入“%1”"));
        done += n;
    }
    if (::fsync(fd) != 0) abandon(QStringLiteral("无法写入“%1”"));
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(t.constData());
        fail(QStringLiteral("无法写入“%1”"), path, code);
    }
    if (::rename(t.constData(), native(path).constData()) != 0) {
        const int code = errno;
        ::unlink(t.constData());
        fail(QStringLiteral("无法写入“%1”"), path, code);
    }
}

} // namespace PrivateFolder
