#include "platform/freedesktop.h"

#include "delivery/file_error.h"
#include "platform/application_chooser.h"
#include "platform/cups_printer.h"
#include "platform/installed_applications.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
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
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <fcntl.h>
#include <limits>
#include <memory>
#include <unistd.h>

namespace platform {

QString saveFolder(const QString &lastUsed) {
    if (!lastUsed.isEmpty() && QFileInfo(lastUsed).isDir()) return lastUsed;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
    return QDir::homePath();
}

QString FreedesktopDesktop::askSavePath(QWidget *parent, const QString &suggestedName) {
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

// Sends `message` without a time limit (a slow service is not a failed one) and calls
// `then` with whether it succeeded, unless `parent` is gone by then.
void callLater(QWidget *parent, const QDBusMessage &message, std::function<void(bool)> then) {
    auto *watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, std::numeric_limits<int>::max()), parent);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [watcher, then] {
        watcher->deleteLater();
        then(!watcher->isError());
    });
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

} // namespace

void FreedesktopDesktop::openWith(QWidget *parent, const QString &path) {
    // The desktop's own chooser when the portal is there; otherwise the application
    // registry's list in a chooser of ours.
    QDBusMessage call = portalCall(QStringLiteral("OpenURI"), QStringLiteral("OpenFile"));
    call << QString() << QVariant::fromValue(descriptorOf(path))
         << QVariantMap{{QStringLiteral("ask"), true}};
    callLater(parent, call, [parent, path](bool handled) {
        if (handled) return;
        auto *chooser = new ApplicationChooser(installedApplications(), parent);
        chooser->setWindowTitle(QStringLiteral("选择打开 PDF 的应用"));
        chooser->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(chooser, &QDialog::accepted, chooser, [chooser, path] {
            if (const auto application = chooser->chosen()) launch(application->id, path);
        });
        chooser->open();
    });
}

void FreedesktopDesktop::mail(QWidget *parent, const QString &path, Failure failed) {
    static const QMetaType registered = qDBusRegisterMetaType<QList<QDBusUnixFileDescriptor>>();
    Q_UNUSED(registered); // the portal takes the attachments as an array of descriptors
    QDBusMessage call = portalCall(QStringLiteral("Email"), QStringLiteral("ComposeEmail"));
    call << QString()
         << QVariantMap{{QStringLiteral("attachment_fds"),
                         QVariant::fromValue(QList<QDBusUnixFileDescriptor>{descriptorOf(path)})}};
    callLater(parent, call, [parent, path, failed](bool handled) {
        if (handled) return;
        runLater(parent, QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path},
                 [failed](int status) {
                     if (status == 0) return;
                     failed(status < 0 ? QStringLiteral("无法打开邮件程序：找不到 xdg-email。"
                                                        "请安装 xdg-utils，或用“复制文件”把 PDF "
                                                        "粘贴到邮件中。")
                                       : QStringLiteral("无法打开邮件程序（xdg-email 退出状态 "
                                                        "%1）。请在系统设置中选择默认邮件程序，"
                                                        "或安装一个邮件程序（例如 Thunderbird），"
                                                        "也可以用“复制文件”把 PDF 粘贴到邮件中。")
                                             .arg(status));
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

void FreedesktopDesktop::showInFolder(QWidget *parent, const QString &path, Failure failed) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded())} << QString();
    // Falls back only when the file manager answers with an error, never after a delay:
    // first the portal, then xdg-open on the folder.
    callLater(parent, call, [parent, path, failed](bool handled) {
        if (handled) return;
        QDBusMessage portal =
            portalCall(QStringLiteral("OpenURI"), QStringLiteral("OpenDirectory"));
        portal << QString() << QVariant::fromValue(descriptorOf(path)) << QVariantMap();
        callLater(parent, portal, [parent, path, failed](bool opened) {
            if (opened) return;
            const QString folder = QFileInfo(path).absolutePath();
            runLater(parent, QStringLiteral("xdg-open"), {folder}, [folder, failed](int status) {
                if (status == 0) return;
                const QString reason = status < 0
                                           ? QStringLiteral("找不到 xdg-open")
                                           : QStringLiteral("xdg-open 退出状态 %1").arg(status);
                failed(QStringLiteral("无法打开文件夹“%1”（%2）。请安装文件管理器，或用“复制文件”"
                                      "把 PDF 粘贴到需要的地方。")
                           .arg(QDir::toNativeSeparators(folder), reason));
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
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    dialog.setMinMax(1, std::max(pageCount, 1));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    PrintJob job;
    job.printer = printer.printerName();
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
                               const QString &title, Failure failed) {
    // Handing the document to the printing system can take a while on a busy server:
    // a worker thread does it, and the answer comes back to the window's thread.
    auto failure = std::make_shared<QString>();
    QThread *worker = QThread::create([job, pdf, title, failure] {
        try {
            sendToPrinter(job, pdf, title);
        } catch (const FileError &e) {
            *failure = e.errorDescription();
        }
    });
    const QPointer<QWidget> window(parent);
    QObject::connect(worker, &QThread::finished, worker, [worker, window, parent, failure, failed] {
        worker->deleteLater();
        if ((!parent || window) && !failure->isEmpty()) failed(*failure);
    });
    worker->start();
}

} // namespace platform
