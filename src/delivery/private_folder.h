#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Folders and files that no other user may see, made with owner-only modes from the
// moment they exist. Everything below an opened folder is reached through its
// descriptor, so renaming a parent between a check and its use redirects nothing.
namespace PrivateFolder {

// An open folder; closed with the object.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(Descriptor &&other) noexcept : m_fd(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept;
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor();

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();

private:
    int m_fd = -1;
};

enum class State { absent, safe, unsafe };

// Looks at `path` itself (never through a symlink): a real folder owned by this user
// with mode 0700 is safe.
State inspect(const QString &path);

// Opens the absolute folder `path` one component at a time without following a link at
// any level. Throws FileError naming `path` and the system's reason.
Descriptor openPath(const QString &path);

// The entry `name` of `parent`, opened when it is a safe folder. `owner` receives the
// owner of whatever stands there.
struct Opened {
    State state = State::absent;
    Descriptor folder;
    uid_t owner = 0;
};
Opened open(int parent, const QByteArray &name);

// Creates `name` in `parent` with mode 0700 and opens it; it must not exist yet.
// `shown` is the path used in messages. Throws FileError.
Descriptor create(int parent, const QByteArray &name, const QString &shown);

// Writes `bytes` as `name` in `folder` through a 0600 temporary file renamed into place,
// so the file is complete or absent and never readable by others. Throws FileError.
void writeFile(int folder, const QByteArray &name, const QByteArray &bytes, const QString &shown);

// Removes everything inside `folder` but the entry `keep`, never following a link.
// False when something could not be removed.
bool removeContents(int folder, const QByteArray &keep = QByteArray());

// The name of the user `uid`, or its number.
QString userName(uid_t uid);

} // namespace PrivateFolder
