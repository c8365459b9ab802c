#pragma once

#include <QByteArray>
#include <QString>

// The finished PDF handed to the save step: bytes only, written unchanged.
struct PDFFile {
    QByteArray data;

    // Writes atomically: a failed write leaves any file already at `path` untouched.
    // Throws FileError.
    void write(const QString &path) const;

    // The regular-file contents at `path`; anything else (a folder, nothing) gives
    // empty data. Never fails.
    static PDFFile read(const QString &path);
};
