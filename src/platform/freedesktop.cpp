#include "platform/freedesktop.h"

#include "delivery/file_error.h"
#include "platform/application_chooser.h"
#include "platform/cups_printer.h"
#include "platform/installed_applications.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <limits>
#include <memory>
#include <unistd.h>
#include <utility>

namespace platform {

QString saveFolder(const QString &lastUsed) {
    if (!lastUsed.isEmpty() && QFileInfo(lastUsed).isDir()) return lastUsed;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString FreedesktopDesktop::askSavePath(QWidget *parent, const QString &suggestedName) {
    // Qt's file dialog keeps its history and last folder in the user's QtProject.conf.
    // Nothing may outlive a run (the last folder is kept in memory instead), and this
    // program has no settings of its own: its user settings lead nowhere.
    static const bool settingsLeadNowhere = [] {
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
        return true;
    }();
    Q_UNUSED(settingsLeadNowhere);
    QFileDialog dialog(parent, QStringLiteral("导出 PDF"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("PDF 文件 (*.pdf)"));
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    // Qt's own dialog adds ".pdf" to a typed name before it asks whether to replace an
    // existing file. A platform dialog asks about the name as typed, so "march" would
    // silently replace "march.pdf".
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDirectory(saveFolder(m_lastFolder));
    dialog.selectFile(suggestedName);
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    const QString path = dialog.selectedFiles().constFirst();
    m_lastFolder = QFileInfo(path).absolutePath();
    return path;
}

namespace {

// The title in bold, the sentence below it, window-modal, wide enough for the sentence.
void prepareMessageBox(QMessageBox &box, const QString &message) {
    box.setInformativeText(message);
    box.setWindowModality(Qt::WindowModal);
    box.setStyleSheet(QStringLiteral(
        "QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 320px; }"));
}

} // namespace

bool FreedesktopDesktop::confirm(QWidget *parent, const QString &title, const QString &message,
                                 const QString &confirmText, bool destructive) {
    QMessageBox box(QMessageBox::Question, title, title, QMessageBox::NoButton, parent);
    prepareMessageBox(box, message);
    QPushButton *yes = box.addButton(confirmText, destructive ? QMessageBox::DestructiveRole
                                                              : QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void FreedesktopDesktop::alert(QWidget *parent, const QString &title, const QString &message,
                               const QString &button) {
    QMessageBox box(QMessageBox::Warning, title, title, QMessageBox::NoButton, parent);
    prepareMessageBox(box, message);
    QPushButton *ok = box.addButton(button, QMessageBox::RejectRole);
    box.setEscapeButton(ok);
    box.exec();
}

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

QDBusMessage portalCall(const QString &interface, const QString &method) {
    return QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.") + interface, method);
}

// The portals take the file as an open descriptor, not as a path they may not see.
QDBusUnixFileDescriptor descriptorOf(const QString &path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    QDBusUnixFileDescriptor descriptor(fd); // keeps a duplicate
    if (fd >= 0) ::close(fd);
    return descriptor;
}

// The window a portal's dialog belongs to, so that it stays above it: "x11:<id>" on
// X11; Qt offers no exported handle elsewhere.
QString parentWindow(QWidget *parent) {
    if (!parent || QGuiApplication::platformName() != QLatin1String("xcb")) return QString();
    return QStringLiteral("x11:") + QString::number(parent->window()->winId(), 16);
}

// Sends `message` without a time limit (a slow service is not a failed one) and calls
// `then` with the reply (an error message when it failed), unless `parent` is gone by
// then.
void callLater(QWidget *parent, const QDBusMessage &message,
               std::function<void(const QDBusMessage &)> then) {
    auto *watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, std::numeric_limits<int>::max()), parent);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, then] {
        watcher->deleteLater();
        then(watcher->reply());
    });
}

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

// Waits for the Response of one portal request and hands its code on, once.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    PortalRequest(QObject *parent, std::function<void(int)> then)
        : QObject(parent), m_then(std::move(then)) {}
    void listen(const QString &path) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!m_path.isEmpty())
            bus.disconnect(QString(), m_path, requestInterface, QStringLiteral("Response"), this,
                           SLOT(response(uint, QVariantMap)));
        m_path = path;
        bus.connect(QString(), path, requestInterface, QStringLiteral("Response"), this,
                    SLOT(response(uint, QVariantMap)));
    }
    QString path() const { return m_path; }
    // The call itself failed: there is no request to wait for.
    void abandon() { finish(-1); }

public slots:
    void response(uint code, const QVariantMap &) { finish(int(std::min(code, 2u))); }

private:
    void finish(int code) {
        if (!m_then) return;
        const auto then = std::exchange(m_then, nullptr);
        QDBusConnection::sessionBus().disconnect(QString(), m_path, requestInterface,
                                                 QStringLiteral("Response"), this,
                                                 SLOT(response(uint, QVariantMap)));
        deleteLater();
        then(code);
    }

    std::function<void(int)> m_then;
    QString m_path;
};

// Calls a portal method that answers through a Request object: `then` gets the
// request's Response (0 done, 1 cancelled, 2 failed), or -1 when the call itself failed
// (no portal on the bus, or it refused). The request's path is known before the call,
// from the bus name and a token of ours, so the answer is listened for before it can
// come.
void requestLater(QWidget *parent, const QString &interface, const QString &method,
                  QVariantList arguments, QVariantMap options, std::function<void(int)> then) {
    static int requests = 0;
    const QString token = QStringLiteral("corvane%1_%2").arg(::getpid()).arg(++requests);
    const QString sender = QDBusConnection::sessionBus().baseService().mid(1).replace(u'.', u'_');
    options.insert(QStringLiteral("handle_token"), token);
    auto *request = new PortalRequest(parent, std::move(then));
    request->listen(portalPath + QStringLiteral("/request/") + sender + u'/' + token);
    QDBusMessage call = portalCall(interface, method);
    call.setArguments(arguments << options);
    callLater(parent, call,
              [request = QPointer<PortalRequest>(request)](const QDBusMessage &reply) {
                  if (!request) return; // answered already
                  if (reply.type() != QDBusMessage::ReplyMessage) return request->abandon();
                  // An older portal makes up its own path.
                  const QString handle = reply.arguments().value(0).value<QDBusObjectPath>().path();
                  if (!handle.isEmpty() && handle != request->path()) request->listen(handle);
              });
}

// The outcome of a portal's Response code.
Outcome outcomeOf(int code, const QString &failure) {
    if (code == 0) return {Outcome::done, {}};
    if (code == 1) return {Outcome::cancelled, {}};
    return {Outcome::failed, failure};
}

// Starts `program` and calls `then` with its exit status (-1 when it did not start or
// crashed), unless `parent` is gone by then. The process has no parent object: closing
// the window must not end a mail program that is still starting.
void runLater(QWidget *parent, const QString &program, const QStringList &arguments,
              std::function<void(int)> then) {
    auto *process = new QProcess;
    const QPointer<QWidget> window(parent);
    const auto report = [process, window, parent, then](int status) {
        process->deleteLater();
        if (!parent || window) then(status);
    };
    QObject::connect(process, &QProcess::finished, process,
                     [report](int code, QProcess::ExitStatus how) {
                         report(how == QProcess::NormalExit ? code : -1);
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [report](QProcess::ProcessError e) {
                         if (e == QProcess::FailedToStart) report(-1);
                     });
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    process->start(program, arguments);
}

const QString pasteInstead = QStringLiteral("也可以用“复制文件”把 PDF 粘贴到需要的地方。");

} // namespace

void FreedesktopDesktop::openWith(QWidget *parent, const QString &path, Answer answer) {
    // The desktop's own chooser when the portal is there; otherwise the application
    // registry's list in a chooser of ours.
    requestLater(
        parent, QStringLiteral("OpenURI"), QStringLiteral("OpenFile"),
        {parentWindow(parent), QVariant::fromValue(descriptorOf(path))},
        {{QStringLiteral("ask"), true}}, [parent, path, answer](int code) {
            if (code >= 0)
                return answer(
                    outcomeOf(code, QStringLiteral("所选的应用没有打开 PDF。请选择另一个应用，") +
                                        pasteInstead));
            auto *chooser = new ApplicationChooser(installedApplications(), parent);
            chooser->setWindowTitle(QStringLiteral("选择打开 PDF 的应用"));
            chooser->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(
                chooser, &QDialog::finished, chooser, [chooser, path, answer](int result) {
                    const auto application = chooser->chosen();
                    if (result != QDialog::Accepted || !application)
                        return answer({Outcome::cancelled, {}});
                    if (launch(application->id, path)) return answer({Outcome::done, {}});
                    answer(
                        {Outcome::failed,
                         QStringLiteral("无法启动“%1”。请选择另一个应用，").arg(application->name) +
                             pasteInstead});
                });
            chooser->open();
        });
}

void FreedesktopDesktop::mail(QWidget *parent, const QString &path, Answer answer) {
    static const QMetaType registered = qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    Q_UNUSED(registered); // the portal takes the attachments as an array of descriptors
    const QString choose =
        QStringLiteral("请在系统设置中选择默认邮件程序，或安装一个邮件程序（例如 "
                       "Thunderbird），") +
        pasteInstead;
    requestLater(
        parent, QStringLiteral("Email"), QStringLiteral("ComposeEmail"), {parentWindow(parent)},
        {{QStringLiteral("attachment_fds"),
          QVariant::fromValue(QList<QDBusUnixFileDescriptor>{descriptorOf(path)})}},
        [parent, path, answer, choose](int code) {
            if (code >= 0)
                return answer(outcomeOf(code, QStringLiteral("无法打开邮件程序。") + choose));
            runLater(parent, QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path},
                     [answer, choose](int status) {
                         if (status == 0) return answer({Outcome::done, {}});
                         answer({Outcome::failed,
                                 status < 0 ? QStringLiteral("无法打开邮件程序：找不到 "
                                                             "xdg-email。请安装 xdg-utils，") +
                                                  pasteInstead
                                            : QStringLiteral("无法打开邮件程序（xdg-email 退出"
                                                             "状态 %1）。")
                                                      .arg(status) +
                                                  choose});
                     });
        });
}

QMimeData *fileClipboardData(const QString &path) {
    auto *data = new QMimeData;
    const QUrl url = QUrl::fromLocalFile(path);
    data->setUrls({url});
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray("copy\n") + url.toEncoded());
    data->setText(path);
    return data;
}

void FreedesktopDesktop::copyFile(const QString &path) {
    QGuiApplication::clipboard()->setMimeData(fileClipboardData(path));
}

void FreedesktopDesktop::showInFolder(QWidget *parent, const QString &path, Answer answer) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded())} << QString();
    const QString folder = QFileInfo(path).absolutePath();
    const auto failure = [folder](const QString &reason) {
        return QStringLiteral("无法打开文件夹“%1”（%2）。请安装文件管理器，")
                   .arg(QDir::toNativeSeparators(folder), reason) +
               pasteInstead;
    };
    // Falls back only when the file manager answers with an error, never after a delay:
    // first the portal, then xdg-open on the folder.
    callLater(parent, call, [parent, path, folder, failure, answer](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage) return answer({Outcome::done, {}});
        requestLater(
            parent, QStringLiteral("OpenURI"), QStringLiteral("OpenDirectory"),
            {parentWindow(parent), QVariant::fromValue(descriptorOf(path))}, {},
            [parent, folder, failure, answer](int code) {
                if (code >= 0)
                    return answer(outcomeOf(code, failure(QStringLiteral("门户未能打开它"))));
                runLater(
                    parent, QStringLiteral("xdg-open"), {folder}, [failure, answer](int status) {
                        if (status == 0) return answer({Outcome::done, {}});
                        answer({Outcome::failed,
                                failure(status < 0
                                            ? QStringLiteral("找不到 xdg-open")
                                            : QStringLiteral("xdg-open 退出状态 %1").arg(status))});
                    });
            });
    });
}

int FreedesktopDesktop::choose(QWidget *parent, const QString &title, const QString &message,
                               const QList<Choice> &choices) {
    QMessageBox box(QMessageBox::Question, title, title, QMessageBox::NoButton, parent);
    prepareMessageBox(box, message);
    QList<QPushButton *> buttons;
    int cancel = 0;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        const Choice &c = choices[i];
        const auto role = c.role == Choice::cancel        ? QMessageBox::RejectRole
                          : c.role == Choice::destructive ? QMessageBox::DestructiveRole
                                                          : QMessageBox::AcceptRole;
        buttons.append(box.addButton(c.text, role));
        if (c.role == Choice::cancel) cancel = int(i);
    }
    box.setDefaultButton(buttons.value(cancel));
    box.setEscapeButton(buttons.value(cancel));
    box.exec();
    const int chosen = int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
    return chosen < 0 ? cancel : chosen;
}

std::optional<PrintJob> FreedesktopDesktop::askPrintJob(QWidget *parent, int pageCount) {
    QPrinter printer;
    if (!m_lastPrinter.isEmpty()) printer.setPrinterName(m_lastPrinter);
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(pageCount, 1));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    PrintJob job;
    job.printer = printer.printerName();
    if (printer.outputFileName().isEmpty()) m_lastPrinter = job.printer;
    job.outputFile = printer.outputFileName();
    job.copies = printer.copyCount();
    if (printer.printRange() == QPrinter::PageRange)
        job.pageRanges = printer.pageRanges().toString();
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        job.sides = QStringLiteral("one-sided");
        break;
    case QPrinter::DuplexLongSide:
        job.sides = QStringLiteral("two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        job.sides = QStringLiteral("two-sided-short-edge");
        break;
    case QPrinter::DuplexAuto:
        break;
    }
    return job;
}

void FreedesktopDesktop::print(QWidget *parent, const PrintJob &job, const QByteArray &pdf,
                               const QString &title, Answer answer) {
    // Handing the document to the printing system can take a while on a busy server:
    // a worker thread does it, and the answer comes back to the window's thread.
    auto outcome = std::make_shared<Outcome>();
    QThread *worker = QThread::create([job, pdf, title, outcome] {
        try {
            const bool waits = sendToPrinter(job, pdf, title) == QueueState::held;
            outcome->message = waits
                                   ? QStringLiteral("打印机 “%1” 已暂停，作业会等到它恢复后再打印")
                                         .arg(job.printer)
                                   : QStringLiteral("已发送到打印机 “%1”").arg(job.printer);
        } catch (const FileError &e) {
            *outcome = {Outcome::failed, e.errorDescription()};
        }
    });
    const QPointer<QWidget> window(parent);
    QObject::connect(worker, &QThread::finished, worker, [worker, window, parent, outcome, answer] {
        worker->deleteLater();
        if (!parent || window) answer(*outcome);
    });
    worker->start();
}

} // namespace platform

#include "freedesktop.moc"
