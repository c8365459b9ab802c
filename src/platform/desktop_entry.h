#pragma once

#include "platform/desktop.h"

#include <QList>
#include <QStringList>

namespace platform {

// Reads one desktop entry; nothing when it is not a visible application.
std::optional<Application> readDesktopEntry(const QString &path, const QString &id,
                                            const QString &language);

// The installed applications below the XDG data folders, those that open PDF files
// first, each group by name.
QList<Application> installedApplications();

// The program and arguments of an Exec line for one file: quoting and escapes undone,
// %f %F %u %U replaced by the file (path or file URL), %i %c %k by the entry's icon,
// name and location, %% by "%", the deprecated codes dropped. Empty when the line
// cannot be read.
QStringList expandExec(const QString &exec, const QString &file, const Application &application,
                       const QString &entryPath = QString());

} // namespace platform
