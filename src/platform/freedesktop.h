#pragma once

#include "platform/desktop.h"

class QMimeData;

namespace platform {

// The desktop as a freedesktop.org session offers it: Qt's dialogs, xdg-email for
// mail, the clipboard for copying, the FileManager1 D-Bus service for showing a file.
class FreedesktopDesktop : public Desktop {
public:
    QString askSavePath(QWidget *parent, const QString &suggestedName) override;
    bool confirm(QWidget *parent, const QString &title, const QString &message,
                 const QString &confirmText, bool destructive) override;
    void alert(QWidget *parent, const QString &title, const QString &message,
               const QString &button) override;
    std::optional<Application> chooseApplication(QWidget *parent, const QString &title) override;

    void openWith(const Application &application, const QString &path) override;
    void mail(const QString &path) override;
    void copyFile(const QString &path) override;
    void showInFolder(const QString &path) override;
};

// What "复制文件" puts on the clipboard: the file as a URI list, in the form file
// managers paste, and its path as text.
QMimeData *fileClipboardData(const QString &path);

} // namespace platform
