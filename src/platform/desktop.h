#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace platform {

// An installed application, as its desktop entry describes it.
struct Application {
    QString id;   // desktop file id, e.g. "org.example.Viewer.desktop"
    QString name; // in the user's language where the entry has it
    QString exec; // the Exec line, field codes unexpanded
    QString icon;
    bool opensPdf = false;
};

// Everything the window asks of the desktop: its dialogs and its ways of handing a
// file on. The window only calls this interface, so tests put a recorder in its place.
// The services throw FileError when they cannot do what was asked.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The save dialog; the empty text when it was cancelled.
    virtual QString askSavePath(QWidget *parent, const QString &suggestedName) = 0;
    // A confirmation; true when the confirming button was chosen.
    virtual bool confirm(QWidget *parent, const QString &title, const QString &message,
                         const QString &confirmText, bool destructive) = 0;
    virtual void alert(QWidget *parent, const QString &title, const QString &message,
                       const QString &button) = 0;
    // The chooser of installed applications; nothing when it was cancelled.
    virtual std::optional<Application> chooseApplication(QWidget *parent, const QString &title) = 0;

    virtual void openWith(const Application &application, const QString &path) = 0;
    virtual void mail(const QString &path) = 0;
    virtual void copyFile(const QString &path) = 0;
    virtual void showInFolder(const QString &path) = 0;
};

} // namespace platform
