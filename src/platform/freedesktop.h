#pragma once

#include "platform/desktop.h"

class QMimeData;

namespace platform {

// The desktop as a freedesktop.org session offers it: the portals when they are on the
// session bus, GIO's application registry, FileManager1, xdg-email and xdg-open, the
// printing system, the clipboard and Qt's dialogs. Every service answers later, on the
// window's thread; nothing waits for another program.
class FreedesktopDesktop : public Desktop {
public:
    QString askSavePath(QWidget *parent, const QString &suggestedName) override;
    bool confirm(QWidget *parent, const QString &title, const QString &message,
                 const QString &confirmText, bool destructive) override;
    void alert(QWidget *parent, const QString &title, const QString &message,
               const QString &button) override;
    int choose(QWidget *parent, const QString &title, const QString &message,
               const QList<Choice> &choices) override;
    std::optional<PrintJob> askPrintJob(QWidget *parent, int pageCount) override;

    void openWith(QWidget *parent, const QString &path, Answer answer) override;
    void mail(QWidget *parent, const QString &path, Answer answer) override;
    void copyFile(const QString &path) override;
    void showInFolder(QWidget *parent, const QString &path, Answer answer) override;
    void print(QWidget *parent, const PrintJob &job, const QByteArray &pdf, const QString &title,
               Answer answer) override;

private:
    // Kept in memory only, for this run: where the save dialog opens next, and the
    // printer the print dialog offers first.
    QString m_lastFolder;
    QString m_lastPrinter;
};

// What "复制文件" puts on the clipboard: the file as a URI list, in the form file
// managers paste, and its path as text.
QMimeData *fileClipboardData(const QString &path);

// The folder the save dialog starts in: the one last used during this run, else the
// user's documents folder, else home.
QString saveFolder(const QString &lastUsed);

} // namespace platform
