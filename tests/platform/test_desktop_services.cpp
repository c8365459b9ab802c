// The desktop adapters against stand-ins: desktop entries in scratch XDG folders, stand-in
// programs first on PATH and stand-in services on the private session bus this test runs
// on (dbus-run-session).
#include "app/payroll_model.h"
#include "files.h"
#include "form/payroll_form.h"
#include "pdf_text.h"
#include "platform/application_chooser.h"
#include "platform/freedesktop.h"
#include "platform/installed_applications.h"
#include "programs.h"
#include "window/content_view.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList lines(const QString &path) {
    return QString::fromUtf8(contents(path)).split(u'\n', Qt::SkipEmptyParts);
}

// A program that appends each of its arguments, one a line, to `log`, then exits with
// `status` after `delay` seconds.
void recorder(const QString &path, const QString &log, int status = 0, int delay = 0) {
    const QString script =
        QStringLiteral("#!/bin/sh\nsleep %3\nprintf '%s\\n' \"$@\" >> '%1'\nexit %2\n");
    QVERIFY(writeFile(path, script.arg(log).arg(status).arg(delay).toUtf8(), 0755));
}

// The stand-in services, for the life of the object.
struct Standin {
    QProcess process;
    explicit Standin(const QString &log, const QStringList &services) {
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/desktop_standin"),
                      QStringList{log} + services);
        if (!process.waitForReadyRead(10000)) qWarning("the stand-in did not start");
    }
    ~Standin() {
        process.kill();
        process.waitForFinished();
    }
};

template <typename T> T *waitForModal() {
    T *found = nullptr;
    if (!QTest::qWaitFor(
            [&] { return (found = qobject_cast<T *>(QApplication::activeModalWidget())); }, 10000))
        qWarning("no %s appeared", T::staticMetaObject.className());
    return found;
}

const QByteArray pdfHandler = "[Desktop Entry]\nType=Application\nMimeType=application/pdf;\n";

} // namespace

class TestDesktopServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { QFile::remove(m_log); }
    void registryListsPdfHandlersFirst();
    void launchPassesThePathAsData_data();
    void launchPassesThePathAsData();
    void chooserStartsWithNothingChosen();
    void portalServesOpenAndMail();
    void mailReportsAMissingMailProgram_data();
    void mailReportsAMissingMailProgram();
    void slowFileManagerBlocksNothing();
    void folderFallbackFailureIsReported();
    void saveAsksBeforeReplacing();
    void printSendsThePdfItself();

private:
    QTemporaryDir m_scratch;
    QString m_bin, m_log, m_pdf;
    platform::FreedesktopDesktop m_desktop;
};

void TestDesktopServices::initTestCase() {
    QVERIFY(m_scratch.isValid());
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under dbus-run-session");
    m_bin = m_scratch.filePath(QStringLiteral("bin"));
    m_log = m_scratch.filePath(QStringLiteral("log"));
    const QString data = m_scratch.filePath(QStringLiteral("data"));
    const QString config = m_scratch.filePath(QStringLiteral("config"));
    const QString runtime = m_scratch.filePath(QStringLiteral("run"));
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    // The registry reads these once, at its first use: every entry is written first.
    qputenv("HOME", QFile::encodeName(m_scratch.filePath(QStringLiteral("home"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
    QDir().mkpath(m_scratch.filePath(QStringLiteral("home/Documents")));
    const QString apps = data + QStringLiteral("/applications/");
    const QString record = m_bin + QStringLiteral("/record");
    recorder(record, m_log);
    const QByteArray exec = "Exec=" + record.toUtf8() + " %f\n";
    const QByteArray anyApp = "[Desktop Entry]\nType=Application\n";
    const std::pair<const char *, QByteArray> entries[] = {
        {"default", pdfHandler + "Name=Zeta Default\n" + exec},
        {"hidden", pdfHandler + "Name=Hidden Handler\nNoDisplay=true\n" + exec},
        {"alias", anyApp + "MimeType=image/pdf;\nName=Alias Viewer\n" + exec},
        {"removed", pdfHandler + "Name=Removed Viewer\n" + exec},
        {"tryexec",
         pdfHandler + "Name=Not Installed\nTryExec=/nonexistent/viewer\nExec=viewer %f\n"},
        {"editor", anyApp + "Name=Plain Editor\n" + exec},
        {"shell", pdfHandler + "Name=Shell Lister\nExec=sh -c \"" + record.toUtf8() + " %f\"\n"},
        {"quoted", pdfHandler + "Name=Quoted Viewer\nExec=" + record.toUtf8() + " \"%f\"\n"},
    };
    for (const auto &[name, entry] : entries)
        QVERIFY(writeFile(apps + "corvane-test-" + QLatin1String(name) + ".desktop", entry));
    QVERIFY(writeFile(config + "/mimeapps.list",
                      "[Default Applications]\napplication/pdf=corvane-test-default.desktop;\n"
                      "[Removed Associations]\napplication/pdf=corvane-test-removed.desktop;\n"));
    // The registry finds handlers through the cache that packages' install scripts make.
    QCOMPARE(QProcess::execute(QStringLiteral("update-desktop-database"), {apps}), 0);
    // A file named after an employee written to do harm in a shell.
    PayrollDraft draft;
    draft.employee = QStringLiteral("Smith & Sons; touch PWNED; : 'x' $HOME 王");
    m_pdf = m_scratch.filePath(draft.filename() + QStringLiteral(".pdf"));
    QVERIFY(writeFile(m_pdf, "%PDF-1.4 stand-in"));
    QDir::setCurrent(m_scratch.path());
}

void TestDesktopServices::registryListsPdfHandlersFirst() {
    const QList<platform::Application> apps = platform::installedApplications();
    QStringList pdf, others;
    for (const platform::Application &app : apps)
        (app.opensPdf ? pdf : others).append(app.name);
    QCOMPARE(apps.value(0).name, QStringLiteral("Zeta Default")); // the user's default first
    for (const char *name : {"Hidden Handler", "Alias Viewer", "Shell Lister"})
        QVERIFY2(pdf.contains(QLatin1String(name)), name);
    for (const char *name : {"Removed Viewer", "Plain Editor"})
        QVERIFY2(others.contains(QLatin1String(name)) && !pdf.contains(QLatin1String(name)), name);
    QVERIFY(!(pdf + others).contains(QStringLiteral("Not Installed")));
    QCOMPARE((pdf + others).count(QStringLiteral("Hidden Handler")), 1);
}

void TestDesktopServices::launchPassesThePathAsData_data() {
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("argument");
    QTest::newRow("field code") << "corvane-test-default.desktop" << m_pdf;
    QTest::newRow("inside sh -c") << "corvane-test-shell.desktop" << m_pdf;
    // A field code inside quotes is against the entry rules: it arrives shell-quoted,
    // still one argument and never run.
    QTest::newRow("inside quotes") << "corvane-test-quoted.desktop"
                                   << "'" + QString(m_pdf).replace("'", "'\\''") + "'";
}

void TestDesktopServices::launchPassesThePathAsData() {
    QFETCH(QString, id);
    QFETCH(QString, argument);
    QVERIFY(platform::launch(id, m_pdf));
    QTRY_COMPARE_WITH_TIMEOUT(lines(m_log), QStringList{argument}, 10000);
    QVERIFY(!QFileInfo::exists(m_scratch.filePath(QStringLiteral("PWNED"))));
}

// No portal on this bus: the chooser of ours appears, with nothing chosen until a row is.
void TestDesktopServices::chooserStartsWithNothingChosen() {
    QWidget window;
    window.show();
    m_desktop.openWith(&window, m_pdf);
    auto *chooser = waitForModal<platform::ApplicationChooser>();
    QVERIFY(chooser);
    QCOMPARE(chooser->windowTitle(), QStringLiteral("选择打开 PDF 的应用"));
    chooser->list()->setFocus();
    QTest::keyClick(chooser->list(), Qt::Key_Return); // Enter alone opens nothing
    QVERIFY(chooser->isVisible());
    QVERIFY(!chooser->openButton()->isEnabled());
    const auto rows =
        chooser->list()->findItems(QStringLiteral("Hidden Handler"), Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    rows[0]->setSelected(true);
    QVERIFY(chooser->openButton()->isEnabled());
    chooser->openButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(lines(m_log), QStringList{m_pdf}, 10000);
}

// With the portal on the bus, opening and mail go there, and nothing else is tried.
void TestDesktopServices::portalServesOpenAndMail() {
    const QString calls = m_scratch.filePath(QStringLiteral("calls"));
    QFile::remove(calls);
    Standin standin(calls, {QStringLiteral("portal")});
    recorder(m_bin + QStringLiteral("/xdg-email"), m_log);
    m_desktop.openWith(nullptr, m_pdf);
    m_desktop.mail(nullptr, m_pdf, [](const QString &) { QFAIL("reported a failure"); });
    QTRY_COMPARE_WITH_TIMEOUT(lines(calls),
                              QStringList({QStringLiteral("OpenFile ask=true %PDF-"),
                                           QStringLiteral("ComposeEmail %PDF-")}),
                              10000);
    QTest::qWait(300);
    QVERIFY(!QApplication::activeModalWidget()); // no chooser of ours
    QVERIFY(lines(m_log).isEmpty());             // no second way to mail
}

void TestDesktopServices::mailReportsAMissingMailProgram_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("reported");
    QTest::newRow("no mail program") << 3 << 1;
    QTest::newRow("mail program opened") << 0 << 0;
}

void TestDesktopServices::mailReportsAMissingMailProgram() {
    QFETCH(int, status);
    QFETCH(int, reported);
    recorder(m_bin + QStringLiteral("/xdg-email"), m_log, status, 1);
    QStringList failures;
    m_desktop.mail(nullptr, m_pdf, [&](const QString &message) { failures.append(message); });
    QVERIFY(lines(m_log).isEmpty()); // back at once: the window goes on while xdg-email runs
    QTRY_VERIFY_WITH_TIMEOUT(!lines(m_log).isEmpty(), 5000);
    QCOMPARE(lines(m_log), QStringList({"--attach", m_pdf}));
    QTest::qWait(200);
    QCOMPARE(failures.size(), reported);
    QCOMPARE(failures.filter(QStringLiteral("退出状态 %1").arg(status)).size(), reported);
}

void TestDesktopServices::slowFileManagerBlocksNothing() {
    const QString calls = m_scratch.filePath(QStringLiteral("calls"));
    QFile::remove(calls);
    Standin standin(calls, {QStringLiteral("filemanager=4000")});
    recorder(m_bin + QStringLiteral("/xdg-open"), m_log);
    bool failed = false;
    m_desktop.showInFolder(nullptr, m_pdf, [&](const QString &) { failed = true; });
    QVERIFY(!lines(calls).contains(QStringLiteral("ShowItems answered"))); // back at once
    QTRY_VERIFY_WITH_TIMEOUT(lines(calls).contains(QStringLiteral("ShowItems answered")), 8000);
    QCOMPARE(lines(calls).first(),
             "ShowItems " + QString::fromUtf8(QUrl::fromLocalFile(m_pdf).toEncoded()));
    QTest::qWait(300);
    QVERIFY(lines(m_log).isEmpty()); // no fallback after a mere delay
    QVERIFY(!failed);
}

void TestDesktopServices::folderFallbackFailureIsReported() {
    // Neither a file manager nor a portal on this bus: xdg-open is tried, and its failure
    // is said.
    recorder(m_bin + QStringLiteral("/xdg-open"), m_log, 4);
    QStringList failures;
    m_desktop.showInFolder(nullptr, m_pdf,
                           [&](const QString &message) { failures.append(message); });
    QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 10000);
    QCOMPARE(lines(m_log), QStringList{m_scratch.path()});
    QVERIFY(failures[0].contains(m_scratch.path()) &&
            failures[0].contains(QStringLiteral("退出状态 4")));
}

void TestDesktopServices::saveAsksBeforeReplacing() {
    const QString kept = m_scratch.filePath(QStringLiteral("home/Documents/march.pdf"));
    QVERIFY(writeFile(kept, "the statement the user kept"));
    // The user types "march" and declines to replace march.pdf, then cancels.
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        QCOMPARE(dialog->directory().absolutePath(), QFileInfo(kept).absolutePath());
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("march"));
        QTimer::singleShot(0, [dialog] {
            auto *question = waitForModal<QMessageBox>();
            if (question) question->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, QStringLiteral("Corvane_x.pdf")), QString());
    QCOMPARE(contents(kept), QByteArray("the statement the user kept"));
    // A new name is taken with ".pdf", and the next dialog opens in the folder last used.
    const QString elsewhere = m_scratch.filePath(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere);
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        dialog->setDirectory(elsewhere);
        auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("april"));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, QStringLiteral("Corvane_x.pdf")),
             elsewhere + QStringLiteral("/april.pdf"));
    QCOMPARE(platform::saveFolder(elsewhere), elsewhere);
}

// Needs a print queue whose output is the document as sent: .ci/run makes one and names
// it in CORVANE_TEST_PRINTER, with its output file in CORVANE_TEST_PRINTER_OUTPUT.
void TestDesktopServices::printSendsThePdfItself() {
    const QString queue = qEnvironmentVariable("CORVANE_TEST_PRINTER");
    const QString output = qEnvironmentVariable("CORVANE_TEST_PRINTER_OUTPUT");
    if (queue.isEmpty() || output.isEmpty()) QSKIP("no test print queue (see .ci/run)");
    QFile::remove(output);
    ContentView view(&m_desktop);
    view.show();
    view.model()->setDraft(PayrollDraft::sample());
    view.form()->reload();
    QVERIFY(view.printAction()->isEnabled());
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QPrintDialog>();
        if (!dialog) return;
        QCOMPARE(dialog->printer()->printerName(), queue);
        dialog->accept();
    });
    view.printAction()->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(output).size() > 1000, 30000);
    QTest::qWait(500); // the queue may still be writing
    const QStringList text = readPdf(contents(output)).allLines();
    QVERIFY(text.contains(QStringLiteral("FULL DEPOSIT NET PAYMENT $2,331.38")));
    QVERIFY(runProgram(QStringLiteral("pdffonts"), {output}).text.contains("CorvaneSans")); // text
}

QTEST_MAIN(TestDesktopServices)
#include "test_desktop_services.moc"
