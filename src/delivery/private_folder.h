#pragma once

#include <QByteArray>
#include <QString>

// Folders and files that no other user may see, made with owner-only modes from the
// moment they exist.
namespace PrivateFolder {

enum class State { absent, safe, unsafe };

// Looks at `path` itself (never through a symlink): a real folder owned by this user
// with mode 0700 is safe.
State inspect(const QString &path);

// Creates `path` with mode 0700, or accepts it when it is already safe. Throws FileError.
void ensure(const QString &path);

// Creates a new folder with mode 0700; it must not exist yet. Throws FileError.
void create(const QString &path);

// Writes `bytes` to `path` through a 0600 temporary file renamed into place, so the
// file is complete or absent and never readable by others. Throws FileError.
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace PrivateFolder
