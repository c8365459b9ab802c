#include "delivery/private_folder.h"

#include "delivery/file_error.h"

#include <QFile>
#include <QList>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PrivateFolder {

namespace {

constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

[[noreturn]] void fail(const QString &what, const QString &path, int code) {
    throw FileError(what.arg(path) + QStringLiteral("：") +
                    QString::fromLocal8Bit(std::strerror(code)));
}

bool isPrivate(const struct stat &st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == 0700;
}

} // namespace

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

Descriptor::~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

int Descriptor::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

State inspect(const QString &path) {
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT ? State::absent : State::unsafe;
    return isPrivate(st) ? State::safe : State::unsafe;
}

Descriptor openPath(const QString &path) {
    Descriptor current(::open("/", folderFlags));
    if (!current.valid()) fail(QStringLiteral("无法打开文件夹“%1”"), path, errno);
    for (const QByteArray &part : QFile::encodeName(path).split('/')) {
        if (part.isEmpty() || part == ".") continue;
        Descriptor next(::openat(current.get(), part.constData(), folderFlags));
        if (!next.valid()) fail(QStringLiteral("无法打开文件夹“%1”"), path, errno);
        current = std::move(next);
    }
    return current;
}

Opened open(int parent, const QByteArray &name) {
    Opened result;
    struct stat st;
    if (::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        result.state = errno == ENOENT ? State::absent : State::unsafe;
        return result;
    }
    result.owner = st.st_uid;
    result.state = State::unsafe;
    if (!isPrivate(st)) return result;
    // What was looked at may have been swapped since: judge the opened folder itself.
    Descriptor folder(::openat(parent, name.constData(), folderFlags));
    if (!folder.valid() || ::fstat(folder.get(), &st) != 0) return result;
    result.owner = st.st_uid;
    if (!isPrivate(st)) return result;
    result.state = State::safe;
    result.folder = std::move(folder);
    return result;
}

Descriptor create(int parent, const QByteArray &name, const QString &shown) {
    // mkdir applies the umask, which can only take bits away from 0700; fchmod then
    // makes it exactly 0700 without the folder ever having been open to others.
    if (::mkdirat(parent, name.constData(), 0700) != 0)
        fail(QStringLiteral("无法创建文件夹“%1”"), shown, errno);
    Descriptor folder(::openat(parent, name.constData(), folderFlags));
    if (!folder.valid()) fail(QStringLiteral("无法打开文件夹“%1”"), shown, errno);
    if (::fchmod(folder.get(), 0700) != 0)
        fail(QStringLiteral("无法设置文件夹“%1”的权限"), shown, errno);
    return folder;
}

void writeFile(int folder, const QByteArray &name, const QByteArray &bytes, const QString &shown) {
    // A short name beside the target, so a long file name cannot make it too long.
    static const char temporary[] = ".writing";
    const int fd =
        ::openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) fail(QStringLiteral("无法写入“%1”"), shown, errno);
    const auto abandon = [&](const QString &what, bool open) {
        const int code = errno;
        if (open) ::close(fd);
        ::unlinkat(folder, temporary, 0);
        fail(what, shown, code);
    };
    if (::fchmod(fd, 0600) != 0) abandon(QStringLiteral("无法设置“%1”的权限"), true);
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) abandon(QStringLiteral("无法写入“%1”"), true);
        done += n;
    }
    if (::fsync(fd) != 0) abandon(QStringLiteral("无法写入“%1”"), true);
    if (::close(fd) != 0) abandon(QStringLiteral("无法写入“%1”"), false);
    if (::renameat(folder, temporary, folder, name.constData()) != 0)
        abandon(QStringLiteral("无法写入“%1”"), false);
}

bool removeContents(int folder, const QByteArray &keep) {
    // Names first, removal after: a folder's listing is not to be changed while read.
    QList<QByteArray> names;
    {
        const int listing = ::dup(folder);
        if (listing < 0) return false;
        DIR *dir = ::fdopendir(listing);
        if (!dir) {
            ::close(listing);
            return false;
        }
        ::rewinddir(dir);
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != ".." && name != keep) names.append(name);
        }
        ::closedir(dir);
    }
    bool all = true;
    for (const QByteArray &name : names) {
        if (::unlinkat(folder, name.constData(), 0) == 0) continue;
        // A folder (a link or file is gone by now): empty it through its own descriptor.
        Descriptor inner(::openat(folder, name.constData(), folderFlags));
        if (!inner.valid() || !removeContents(inner.get()) ||
            ::unlinkat(folder, name.constData(), AT_REMOVEDIR) != 0)
            all = false;
    }
    return all;
}

QString userName(uid_t uid) {
    struct passwd entry;
    struct passwd *found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

} // namespace PrivateFolder
