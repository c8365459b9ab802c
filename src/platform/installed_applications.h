#pragma once

#include <QList>
#include <QString>

namespace platform {

// An installed application, as the desktop's application registry (GIO) knows it.
struct Application {
    QString id; // desktop file id, e.g. "org.example.Viewer.desktop"
    QString name;
    QString icon; // a theme icon name or a file path
    bool opensPdf = false;
};

// The applications to offer for a PDF file: the user's default one first, then the
// recommended ones, then the others that handle PDF files (hidden entries included:
// they exist to register a handler), then every other application that is shown in
// menus, by name.
QList<Application> installedApplications();

// Opens the file with the application whose id is given. The registry expands the
// entry's command itself (field codes, terminal, working folder, D-Bus activation).
bool launch(const QString &id, const QString &path);

} // namespace platform
