// The desktop adapters against stand-ins: desktop entries in scratch XDG folders, stand-in
// programs first on PATH and stand-in services on the private session bus this test runs
// on (dbus-run-session).
#include "app/payroll_model.h"
#include "files.h"
#include "platform/application_chooser.h"
#include "platform/freedesktop.h"
#include "platform/installed_applications.h"
#include "recording_desktop.h"
#include "review/review_panel.h"
#include "window/content_view.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnectionInterface>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QStringList lines(const QString &path) {
    return QString::fromUtf8(contents(path)).split(u'\n', Qt::SkipEmptyParts);
}

// A program that appends each of its arguments, one a line, to `log`, then exits with
// `status` after `delay` seconds.
void recorder(const QString &path, const QString &log, int status = 0, int delay = 0) {
    const QString script = u"#!/bin/sh\nsleep %3\nprintf '%s\\n' \"$@\" >> '%1'\nexit %2\n"_s;
    QVERIFY(writeFile(path, script.arg(log).arg(status).arg(delay).toUtf8(), 0755));
}

// The stand-in services, for the life of the object.
struct Standin {
    QProcess process;
    explicit Standin(const QString &log, const QStringList &services) {
        process.start(QCoreApplication::applicationDirPath() + u"/desktop_standin"_s,
                      QStringList{log} + services);
        if (!process.waitForReadyRead(10000)) qWarning("the stand-in did not start");
    }
    ~Standin() {
        process.kill();
        process.waitForFinished();
    }
};

// The real portal front end on the private bus, with the stand-in as its only back end,
// for the life of the object.
struct RealPortal {
    static constexpr const char *program = "/usr/libexec/xdg-desktop-portal";
    QProcess process;
    bool ready = false;
    explicit RealPortal(const QString &folder) {
        const QString portals = folder + u"/portals"_s;
        QDir().mkpath(portals);
        QFile entry(portals + u"/corvane.portal"_s);
        if (!entry.open(QIODevice::WriteOnly)) return;
        entry.write("[portal]\nDBusName=org.freedesktop.impl.portal.desktop.corvane\n"
                    "Interfaces=org.freedesktop.impl.portal.AppChooser;"
                    "org.freedesktop.impl.portal.Email;\nUseIn=corvane\n");
        entry.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_DESKTOP_PORTAL_DIR"_s, portals);
        env.insert(u"XDG_CURRENT_DESKTOP"_s, u"corvane"_s);
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(QProcess::nullDevice()); // warnings about absent services
        process.start(QString::fromLatin1(program), {u"--replace"_s});
        ready = QTest::qWaitFor(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    u"org.freedesktop.portal.Desktop"_s);
            },
            10000);
    }
    ~RealPortal() {
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
    void portalResponses_data();
    void portalResponses();
    void fallbackExitStatus_data();
    void fallbackExitStatus();
    void slowFileManagerBlocksNothing();
    void saveAsksBeforeReplacing();

private:
    QTemporaryDir m_scratch;
    QString m_bin, m_log, m_pdf;
    platform::FreedesktopDesktop m_desktop;
};

void TestDesktopServices::initTestCase() {
    QVERIFY(m_scratch.isValid());
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under dbus-run-session");
    m_bin = m_scratch.filePath(u"bin"_s);
    m_log = m_scratch.filePath(u"log"_s);
    const QString data = m_scratch.filePath(u"data"_s);
    const QString config = m_scratch.filePath(u"config"_s);
    const QString runtime = m_scratch.filePath(u"run"_s);
    QDir().mkpath(runtime);
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    // The registry reads these once, at its first use: every entry is written first.
    qputenv("HOME", QFile::encodeName(m_scratch.filePath(u"home"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(data));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
    QDir().mkpath(m_scratch.filePath(u"home/Documents"_s));
    const QString apps = data + u"/applications/"_s;
    const QString record = m_bin + u"/record"_s;
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
    QCOMPARE(QProcess::execute(u"update-desktop-database"_s, {apps}), 0);
    // A file named after an employee written to do harm in a shell.
    PayrollDraft draft;
    draft.employee = u"Smith & Sons; touch PWNED; : 'x' $HOME 王"_s;
    m_pdf = m_scratch.filePath(draft.filename() + u".pdf"_s);
    QVERIFY(writeFile(m_pdf, "%PDF-1.4 stand-in"));
    QDir::setCurrent(m_scratch.path());
}

void TestDesktopServices::registryListsPdfHandlersFirst() {
    const QList<platform::Application> apps = platform::installedApplications();
    QStringList pdf, others;
    for (const platform::Application &app : apps)
        (app.opensPdf ? pdf : others).append(app.name);
    QCOMPARE(apps.value(0).name, u"Zeta Default"_s); // the user's default first
    for (const char *name : {"Hidden Handler", "Alias Viewer", "Shell Lister"})
        QVERIFY2(pdf.contains(QLatin1String(name)), name);
    for (const char *name : {"Removed Viewer", "Plain Editor"})
        QVERIFY2(others.contains(QLatin1String(name)) && !pdf.contains(QLatin1String(name)), name);
    QVERIFY(!(pdf + others).contains(u"Not Installed"_s));
    QCOMPARE((pdf + others).count(u"Hidden Handler"_s), 1);
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
    QVERIFY(!QFileInfo::exists(m_scratch.filePath(u"PWNED"_s)));
}

// No portal on this bus: the chooser of ours appears, with nothing chosen until a row is.
void TestDesktopServices::chooserStartsWithNothingChosen() {
    QWidget window;
    window.show();
    std::optional<platform::Outcome> outcome;
    m_desktop.openWith(&window, m_pdf, [&](const platform::Outcome &o) { outcome = o; });
    auto *chooser = waitForModal<platform::ApplicationChooser>();
    QVERIFY(chooser);
    QCOMPARE(chooser->windowTitle(), u"选择打开 PDF 的应用"_s);
    chooser->list()->setFocus();
    QTest::keyClick(chooser->list(), Qt::Key_Return); // Enter alone opens nothing
    QVERIFY(chooser->isVisible());
    QVERIFY(!chooser->openButton()->isEnabled());
    const auto rows = chooser->list()->findItems(u"Hidden Handler"_s, Qt::MatchExactly);
    QCOMPARE(rows.size(), 1);
    rows[0]->setSelected(true);
    QVERIFY(chooser->openButton()->isEnabled());
    chooser->openButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(lines(m_log), QStringList{m_pdf}, 10000);
    QVERIFY(outcome && outcome->kind == platform::Outcome::done);
}

// With the portal on the bus, each request is answered by its Response, and the window
// follows it: done counts as delivered, a cancel changes and says nothing, a failure is
// said. Nothing else is tried.
// Where xdg-desktop-portal is installed, OpenFile and ComposeEmail also go through its
// real front end, so the request and its Response travel the real protocol.
void TestDesktopServices::portalResponses_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("response");
    QTest::addColumn<QString>("failureTitle");
    QTest::addColumn<bool>("realFrontEnd");
    const std::pair<const char *, const char *> requests[] = {
        {"OpenFile", "无法用其他应用打开"},
        {"ComposeEmail", "无法通过邮件发送"},
        {"OpenDirectory", "无法在文件夹中显示"}};
    for (bool real : {false, true})
        for (const auto &[request, title] : requests)
            for (int response : {0, 1, 2})
                if (!real || qstrcmp(request, "OpenDirectory"))
                    QTest::addRow("%s %s %d", real ? "real portal," : "stand-in,", request,
                                  response)
                        << QString::fromLatin1(request) << response << QString::fromUtf8(title)
                        << real;
}

void TestDesktopServices::portalResponses() {
    QFETCH(QString, request);
    QFETCH(int, response);
    QFETCH(QString, failureTitle);
    QFETCH(bool, realFrontEnd);
    if (realFrontEnd && !QFileInfo(QString::fromLatin1(RealPortal::program)).isExecutable())
        QSKIP("xdg-desktop-portal is not installed");
    const QString calls = m_scratch.filePath(u"calls"_s);
    QFile::remove(calls);
    Standin standin(calls, {(realFrontEnd ? u"backend=%1"_s : u"portal=%1"_s).arg(response)});
    std::optional<RealPortal> portal;
    if (realFrontEnd) {
        portal.emplace(m_scratch.path());
        QVERIFY(portal->ready);
    }
    for (const char *fallback : {"/xdg-email", "/xdg-open"})
        recorder(m_bin + QLatin1String(fallback), m_log);
    NotedAlerts desktop;
    ContentView view(&desktop);
    view.show();
    view.model()->setDraft(PayrollDraft::sample());
    if (request == QLatin1String("OpenFile")) {
        view.setStage(WorkflowStep::review);
        view.reviewPanel()->openWithButton()->click();
    } else {
        view.findChild<QAction *>(request == QLatin1String("ComposeEmail") ? u"shareByMail"_s
                                                                           : u"shareInFolder"_s)
            ->trigger();
    }
    QTRY_COMPARE_WITH_TIMEOUT(lines(calls).size(), 1, 10000);
    // The real front end asks the back end to choose among the applications for PDFs.
    const QString asked = realFrontEnd && request == QLatin1String("OpenFile")
                              ? u"ChooseApplication corvane-test-default"_s
                              : request;
    QVERIFY2(lines(calls)[0].startsWith(asked) &&
                 (asked != request || lines(calls)[0].endsWith("%PDF-")),
             qPrintable(lines(calls)[0]));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.alerts.size(), response == 2 ? 1 : 0, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(view.model()->undelivered(), response != 0, 5000);
    QTest::qWait(300);
    QCOMPARE(view.model()->undelivered(), response != 0);
    QCOMPARE(desktop.alerts.size(), response == 2 ? 1 : 0);
    if (response == 2) QVERIFY(desktop.alerts[0].startsWith(failureTitle + u'|'));
    QVERIFY(!QApplication::activeModalWidget()); // no chooser of ours
    // No second way; the real front end starts the application chosen.
    if (realFrontEnd && request == QLatin1String("OpenFile") && response == 0)
        QTRY_VERIFY_WITH_TIMEOUT(lines(m_log).value(0).endsWith(".pdf"), 5000);
    else
        QVERIFY(lines(m_log).isEmpty());
}

// Without a portal or file manager, xdg-email's or xdg-open's exit status, or its absence,
// is the outcome; a failure names the folder it was to show.
void TestDesktopServices::fallbackExitStatus_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("status"); // -1: not installed
    QTest::addColumn<QString>("failure");
    QTest::newRow("mail composed") << "xdg-email" << 0 << QString();
    for (int status : {1, 2, 3})
        QTest::addRow("mail status %d", status)
            << "xdg-email" << status << u"退出状态 %1"_s.arg(status);
    QTest::newRow("no xdg-email") << "xdg-email" << -1 << "找不到 xdg-email";
    QTest::newRow("folder shown") << "xdg-open" << 0 << QString();
    QTest::newRow("folder status 4") << "xdg-open" << 4 << "退出状态 4";
}

void TestDesktopServices::fallbackExitStatus() {
    QFETCH(QString, program);
    QFETCH(int, status);
    QFETCH(QString, failure);
    const QByteArray path = qgetenv("PATH");
    if (status < 0) {
        QFile::remove(m_bin + u'/' + program);
        qputenv("PATH", QFile::encodeName(m_bin));
    } else {
        recorder(m_bin + u'/' + program, m_log, status);
    }
    const bool mail = program == u"xdg-email";
    std::optional<platform::Outcome> outcome;
    const auto answer = [&](const platform::Outcome &o) { outcome = o; };
    mail ? m_desktop.mail(nullptr, m_pdf, answer) : m_desktop.showInFolder(nullptr, m_pdf, answer);
    QVERIFY(!outcome); // back at once: the window goes on while the program runs
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 10000);
    qputenv("PATH", path);
    QCOMPARE(outcome->kind,
             failure.isEmpty() ? platform::Outcome::done : platform::Outcome::failed);
    QVERIFY2(outcome->message.contains(failure) &&
                 (mail || failure.isEmpty() || outcome->message.contains(m_scratch.path())),
             qPrintable(outcome->message));
    if (status >= 0)
        QCOMPARE(lines(m_log),
                 mail ? QStringList({"--attach", m_pdf}) : QStringList{m_scratch.path()});
}

void TestDesktopServices::slowFileManagerBlocksNothing() {
    const QString calls = m_scratch.filePath(u"calls"_s);
    QFile::remove(calls);
    Standin standin(calls, {u"filemanager=4000"_s});
    recorder(m_bin + u"/xdg-open"_s, m_log);
    std::optional<platform::Outcome> outcome;
    m_desktop.showInFolder(nullptr, m_pdf, [&](const platform::Outcome &o) { outcome = o; });
    QVERIFY(!lines(calls).contains(u"ShowItems answered"_s)); // back at once
    QTRY_VERIFY_WITH_TIMEOUT(lines(calls).contains(u"ShowItems answered"_s), 8000);
    QCOMPARE(lines(calls).first(),
             "ShowItems " + QString::fromUtf8(QUrl::fromLocalFile(m_pdf).toEncoded()));
    QTest::qWait(300);
    QVERIFY(lines(m_log).isEmpty()); // no fallback after a mere delay
    QVERIFY(outcome && outcome->kind == platform::Outcome::done);
}

// Every file below the scratch home and configuration folders.
QStringList filesIn(const QStringList &folders) {
    QStringList found;
    for (const QString &folder : folders) {
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
    }
    found.sort();
    return found;
}

void TestDesktopServices::saveAsksBeforeReplacing() {
    const QString kept = m_scratch.filePath(u"home/Documents/march.pdf"_s);
    QVERIFY(writeFile(kept, "the statement the user kept"));
    const QStringList home = {m_scratch.filePath(u"home"_s), m_scratch.filePath(u"config"_s)};
    const QStringList before = filesIn(home);
    // The user types "march" and declines to replace march.pdf, then cancels.
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        QCOMPARE(dialog->directory().absolutePath(), QFileInfo(kept).absolutePath());
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        name->selectAll();
        QTest::keyClicks(name, u"march"_s);
        QTimer::singleShot(0, [dialog] {
            auto *question = waitForModal<QMessageBox>();
            if (question) question->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, u"Corvane_x.pdf"_s), QString());
    QCOMPARE(contents(kept), QByteArray("the statement the user kept"));
    // A new name is taken with ".pdf", and the next dialog opens in the folder last used.
    const QString elsewhere = m_scratch.filePath(u"elsewhere"_s);
    QDir().mkpath(elsewhere);
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        dialog->setDirectory(elsewhere);
        auto *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
        name->selectAll();
        QTest::keyClicks(name, u"april"_s);
        QTest::keyClick(name, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, u"Corvane_x.pdf"_s), elsewhere + u"/april.pdf"_s);
    QCOMPARE(platform::saveFolder(elsewhere), elsewhere);
    QCOMPARE(filesIn(home), before); // no dialog history or settings outlive the run
}

QTEST_MAIN(TestDesktopServices)
#include "test_desktop_services.moc"
