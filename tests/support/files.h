#pragma once

#include <QtCore>

#include <sys/stat.h>

// Small file helpers for tests: permission bits (of the link itself, never its target),
// whole contents, and writing a file with its folders.
inline mode_t modeOf(const QString &path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

inline QByteArray contents(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes, mode_t mode = 0644) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush() &&
           ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Every entry below a folder, hidden ones too, as sorted paths relative to it. Links are
// listed, never followed.
inline QStringList filesBelow(const QString &folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next().mid(folder.size() + 1));
    found.sort();
    return found;
}
