#include "platform/freedesktop.h"

#include "delivery/file_error.h"
#include "platform/application_chooser.h"
#include "platform/desktop_entry.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

QString FreedesktopDesktop::askSavePath(QWidget *parent, const QString &suggestedName) {
    const QString start = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                              .filePath(suggestedName);
    QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("导出 PDF"), start,
                                                QStringLiteral("PDF 文件 (*.pdf)"));
    if (!path.isEmpty() && !path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
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

std::optional<Application> FreedesktopDesktop::chooseApplication(QWidget *parent,
                                                                 const QString &title) {
    ApplicationChooser chooser(installedApplications(), parent);
    chooser.setWindowTitle(title);
    if (chooser.exec() != QDialog::Accepted) return std::nullopt;
    return chooser.chosen();
}

void FreedesktopDesktop::openWith(const Application &application, const QString &path) {
    const QStringList args = expandExec(application.exec, path, application);
    if (args.isEmpty() || !QProcess::startDetached(args.first(), args.mid(1)))
        throw FileError(QStringLiteral("无法启动“%1”。").arg(application.name));
}

void FreedesktopDesktop::mail(const QString &path) {
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty() ||
        !QProcess::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path}))
        throw FileError(QStringLiteral(
            "无法打开邮件程序：请安装 xdg-utils，或用“复制文件”把 PDF 粘贴到邮件中。"));
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

void FreedesktopDesktop::showInFolder(const QString &path) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
    if (reply.type() == QDBusMessage::ReplyMessage) return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath())))
        throw FileError(QStringLiteral("无法打开文件夹“%1”。").arg(QFileInfo(path).absolutePath()));
}

} // namespace platform
