#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace platform {

// What the print dialog chose, in the printing system's own option values.
struct PrintJob {
    QString printer;
    QString outputFile; // set when the user chose to print into a file instead
    int copies = 1;
    QString pageRanges; // "1-2,4"; empty for every page
    QString sides;      // "two-sided-long-edge" etc.; empty for the printer's default
};

// One button of a question.
struct Choice {
    enum Role { cancel, destructive, accept };
    QString text;
    Role role = accept;
};

// How a service that carries on after its call returned ended.
struct Outcome {
    enum Kind { done, cancelled, failed };
    Kind kind = done;
    // For a failure: what failed and what to do. When done: a note for the status bar,
    // or empty for the usual one.
    QString message;
};

// Called once, on the window's thread, with the outcome; never after `parent` is gone.
using Answer = std::function<void(const Outcome &)>;

// Everything the window asks of the desktop: its dialogs and its ways of handing a
// file on. The window only calls this interface, so tests put a recorder in its place.
// None of these keeps the window waiting for another program.
class Desktop {
public:
    virtual ~Desktop() = default;

    // The save dialog, whose answer always ends in ".pdf"; the empty text when it was
    // cancelled.
    virtual QString askSavePath(QWidget *parent, const QString &suggestedName) = 0;
    // A confirmation; true when the confirming button was chosen.
    virtual bool confirm(QWidget *parent, const QString &title, const QString &message,
                         const QString &confirmText, bool destructive) = 0;
    virtual void alert(QWidget *parent, const QString &title, const QString &message,
                       const QString &button) = 0;
    // A question with several answers; the index of the chosen one. The cancelling one
    // is the default, and the answer when the question is closed any other way.
    virtual int choose(QWidget *parent, const QString &title, const QString &message,
                       const QList<Choice> &choices) = 0;
    // The print dialog for a document of `pageCount` pages; nothing when cancelled.
    virtual std::optional<PrintJob> askPrintJob(QWidget *parent, int pageCount) = 0;

    // Lets the user pick an application and asks the system to open the file with it.
    // Done once the system launched it (or its own chooser says so).
    virtual void openWith(QWidget *parent, const QString &path, Answer answer) = 0;
    // A new mail with the file attached, in the user's mail program.
    virtual void mail(QWidget *parent, const QString &path, Answer answer) = 0;
    virtual void copyFile(const QString &path) = 0;
    virtual void showInFolder(QWidget *parent, const QString &path, Answer answer) = 0;
    // Sends the PDF to the job's printer (not to its output file). Done once the queue
    // accepted the job.
    virtual void print(QWidget *parent, const PrintJob &job, const QByteArray &pdf,
                       const QString &title, Answer answer) = 0;
};

} // namespace platform
