// The desktop adapters against desktop entries in scratch XDG folders, stand-in programs
// first on PATH and stand-in services on this test's private session bus.
#include "app/payroll_model.h"
#include "files.h"
#include "platform/application_chooser.h"
#include "platform/freedesktop.h"
#include "platform/installed_applications.h"
#include "recording_desktop.h"
#include "review/review_panel.h"
#include "window/content_view.h"

#include <QtDBus>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

const QString realPortal = u"/usr/libexec/xdg-desktop-portal"_s;

QStringList lines(const QString &path) {
    return QString::fromUtf8(contents(path)).split(u'\n', Qt::SkipEmptyParts);
}

// A program that logs its arguments, one a line, to `log` and exits with `status`.
void recorder(const QString &path, const QString &log, int status = 0) {
    const QString script = u"#!/bin/sh\nprintf '%s\\n' \"$@\" >> '%1'\nexit %2\n"_s;
    QVERIFY(writeFile(path, script.arg(log).arg(status).toUtf8(), 0755));
}

// A helper program, ended with the object.
struct Running : QProcess {
    ~Running() override {
        kill();
        waitForFinished();
    }
};

template <typename T> T *waitForModal() {
    const auto modal = [] { return qobject_cast<T *>(QApplication::activeModalWidget()); };
    return QTest::qWaitFor(modal, 10000) ? modal() : nullptr;
}

const QByteArray pdfHandler = "[Desktop Entry]\nType=Application\nMimeType=application/pdf;\n";

} // namespace

class TestDesktopServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init() {
        QFile::remove(m_log);
        QFile::remove(m_calls);
    }
    void chooserLaunchesThePathAsData();
    void portalResponses_data();
    void portalResponses();
    void fallbackExitStatus();
    void saveAsksBeforeReplacing();

private:
    // The stand-in services (desktop_standin), logging the calls they receive.
    void startStandin(Running &standin, const QString &service) {
        standin.start(QCoreApplication::applicationDirPath() + u"/desktop_standin"_s,
                      {m_calls, service});
        QVERIFY2(standin.waitForReadyRead(10000), "the stand-in did not start");
    }

    QTemporaryDir m_scratch;
    QString m_bin, m_log, m_calls, m_pdf;
    platform::FreedesktopDesktop m_desktop;
};

void TestDesktopServices::initTestCase() {
    QVERIFY(m_scratch.isValid());
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under dbus-run-session");
    m_bin = m_scratch.filePath(u"bin"_s);
    m_log = m_scratch.filePath(u"log"_s);
    m_calls = m_scratch.filePath(u"calls"_s);
    const QString home = m_scratch.filePath(u"home"_s), runtime = m_scratch.filePath(u"run"_s);
    QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(home + u"/Documents"_s));
    ::chmod(QFile::encodeName(runtime).constData(), 0700);
    // The registry reads these once, at its first use: every entry is written first. Where
    // xdg-desktop-portal is installed, its real front end has the stand-in as its back end.
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + u"/.config"_s));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_scratch.filePath(u"data"_s)));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("PATH", QFile::encodeName(m_bin) + ":/usr/bin:/bin");
    qputenv("XDG_DESKTOP_PORTAL_DIR", QFile::encodeName(m_scratch.filePath(u"portals"_s)));
    qputenv("XDG_CURRENT_DESKTOP", "corvane");
    QVERIFY(writeFile(m_scratch.filePath(u"portals/corvane.portal"_s),
                      "[portal]\nDBusName=org.freedesktop.impl.portal.desktop.corvane\n"
                      "Interfaces=org.freedesktop.impl.portal.AppChooser;"
                      "org.freedesktop.impl.portal.Email;\nUseIn=corvane\n"));
    const QString apps = m_scratch.filePath(u"data/applications/"_s);
    const QString record = m_bin + u"/record"_s;
    for (const QString &program : {record, m_bin + u"/xdg-email"_s, m_bin + u"/xdg-open"_s})
        recorder(program, m_log);
    const QByteArray exec = "Exec=" + record.toUtf8() + " %f\n";
    const std::pair<const char *, QByteArray> entries[] = {
        {"default", pdfHandler + "Name=Zeta Default\n" + exec},
        {"hidden", pdfHandler + "Name=Hidden Handler\nNoDisplay=true\n" + exec},
        {"editor", "[Desktop Entry]\nType=Application\nName=Plain Editor\n" + exec},
        {"shell", pdfHandler + "Name=Shell Lister\nExec=sh -c \"" + record.toUtf8() + " %f\"\n"},
        {"quoted", pdfHandler + "Name=Quoted Viewer\nExec=" + record.toUtf8() + " \"%f\"\n"},
    };
    for (const auto &[name, entry] : entries)
        QVERIFY(writeFile(apps + "corvane-test-" + QLatin1String(name) + ".desktop", entry));
    QVERIFY(writeFile(home + u"/.config/mimeapps.list"_s,
                      "[Default Applications]\napplication/pdf=corvane-test-default.desktop;\n"));
    // The registry finds handlers through the cache that packages' install scripts make.
    QCOMPARE(QProcess::execute(u"update-desktop-database"_s, {apps}), 0);
    // A file named after an employee written to do harm in a shell.
    PayrollDraft draft;
    draft.employee = u"Smith & Sons; touch PWNED; : 'x' $HOME 王"_s;
    m_pdf = m_scratch.filePath(draft.filename() + u".pdf"_s);
    QVERIFY(writeFile(m_pdf, "%PDF-1.4 stand-in"));
    QDir::setCurrent(m_scratch.path());
}

// No portal on this bus: the chooser of ours lists the user's default first, then every
// handler of PDFs (hidden ones too, each once), then the other applications; nothing is
// chosen until a row is. The file's harmful name reaches each application as data.
void TestDesktopServices::chooserLaunchesThePathAsData() {
    QWidget window;
    window.show();
    std::optional<platform::Outcome> outcome;
    m_desktop.openWith(&window, m_pdf, [&](const platform::Outcome &o) { outcome = o; });
    auto *chooser = waitForModal<platform::ApplicationChooser>();
    QVERIFY(chooser);
    QStringList rows;
    for (int i = 0; i < chooser->list()->count(); ++i)
        rows.append(chooser->list()->item(i)->text());
    const auto at = [&](const QString &row) { return rows.indexOf(row); };
    QVERIFY2(rows.mid(0, 2) == QStringList({"可打开 PDF 的应用", "Zeta Default"}) &&
                 rows.count(u"Hidden Handler"_s) == 1 && at(u"Shell Lister"_s) > 1 &&
                 std::max(at(u"Hidden Handler"_s), at(u"Shell Lister"_s)) < at(u"其他应用"_s) &&
                 at(u"Plain Editor"_s) > at(u"其他应用"_s),
             qPrintable(rows.join(u'|')));
    chooser->list()->setFocus();
    QTest::keyClick(chooser->list(), Qt::Key_Return); // Enter alone opens nothing
    QVERIFY(chooser->isVisible() && !chooser->openButton()->isEnabled());
    chooser->list()->item(at(u"Hidden Handler"_s))->setSelected(true);
    chooser->openButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(lines(m_log), QStringList{m_pdf}, 10000);
    QVERIFY(outcome && outcome->kind == platform::Outcome::done);
    // A field code inside quotes is against the entry rules: it arrives shell-quoted,
    // still one argument and never run.
    const QString quoted = u'\'' + QString(m_pdf).replace(u"'"_s, u"'\\''"_s) + u'\'';
    const std::pair<QString, QString> cases[] = {{u"shell"_s, m_pdf}, {u"quoted"_s, quoted}};
    for (const auto &[entry, argument] : cases) {
        QFile::remove(m_log);
        QVERIFY(platform::launch(u"corvane-test-%1.desktop"_s.arg(entry), m_pdf));
        QTRY_VERIFY2_WITH_TIMEOUT(lines(m_log) == QStringList{argument},
                                  qPrintable(entry + u": "_s + lines(m_log).join(u'|')), 10000);
    }
    QVERIFY(!QFileInfo::exists(m_scratch.filePath(u"PWNED"_s)));
}

// With the portal on the bus the window follows each request's Response: done counts as
// delivered, a cancel changes and says nothing, a failure is said; nothing else is tried.
// Where installed, the real front end carries OpenFile and ComposeEmail too.
void TestDesktopServices::portalResponses_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<int>("response");
    QTest::addColumn<bool>("realFrontEnd");
    for (bool real : {false, true})
        for (const char *request : {"OpenFile", "ComposeEmail", "OpenDirectory"})
            for (int response : {0, 1, 2})
                if (!real || qstrcmp(request, "OpenDirectory"))
                    QTest::addRow("%s %s %d", real ? "real portal," : "stand-in,", request,
                                  response)
                        << QString::fromLatin1(request) << response << real;
}

void TestDesktopServices::portalResponses() {
    QFETCH(QString, request);
    QFETCH(int, response);
    QFETCH(bool, realFrontEnd);
    const QString failureTitle = request == u"OpenFile"       ? u"无法用其他应用打开"_s
                                 : request == u"ComposeEmail" ? u"无法通过邮件发送"_s
                                                              : u"无法在文件夹中显示"_s;
    if (realFrontEnd && !QFileInfo(realPortal).isExecutable())
        QSKIP("xdg-desktop-portal is not installed");
    Running standin, portal;
    startStandin(standin, (realFrontEnd ? u"backend=%1"_s : u"portal=%1"_s).arg(response));
    if (realFrontEnd) {
        portal.setStandardErrorFile(QProcess::nullDevice()); // warnings about absent services
        portal.start(realPortal, {u"--replace"_s});
        QVERIFY(QTest::qWaitFor(
            [] {
                return QDBusConnection::sessionBus().interface()->isServiceRegistered(
                    u"org.freedesktop.portal.Desktop"_s);
            },
            10000));
    }
    NotedAlerts desktop;
    ContentView view(&desktop);
    view.show();
    view.model()->setDraft(PayrollDraft::sample());
    if (request == u"OpenFile") {
        view.setStage(WorkflowStep::review);
        view.reviewPanel()->openWithButton()->click();
    } else {
        view.findChild<QAction *>(request == u"ComposeEmail" ? u"shareByMail"_s
                                                             : u"shareInFolder"_s)
            ->trigger();
    }
    QTRY_COMPARE_WITH_TIMEOUT(lines(m_calls).size(), 1, 10000);
    // The real front end asks the back end to choose among the applications for PDFs; the
    // portal itself is handed the file, and "open with" always asks.
    const QString asked = request != u"OpenFile" ? request
                          : realFrontEnd         ? u"ChooseApplication corvane-test-default"_s
                                                 : u"OpenFile ask=true"_s;
    const QString call = lines(m_calls)[0];
    QVERIFY2(call.startsWith(asked) && (asked.startsWith(u"Choose"_s) || call.endsWith("%PDF-")),
             qPrintable(call));
    const auto settled = [&] {
        return view.model()->undelivered() == (response != 0) &&
               desktop.alerts.size() == (response == 2) &&
               (response != 2 || desktop.alerts[0].startsWith(failureTitle + u'|'));
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    QTest::qWait(300); // and stays so
    QVERIFY2(settled(), qPrintable(desktop.alerts.join(u'\n')));
    QVERIFY(!QApplication::activeModalWidget()); // no chooser of ours
    // No second way; the real front end starts the application chosen.
    if (realFrontEnd && request == u"OpenFile" && response == 0)
        QTRY_VERIFY_WITH_TIMEOUT(lines(m_log).value(0).endsWith(".pdf"), 5000);
    else
        QVERIFY(lines(m_log).isEmpty());
}

// Without a portal or file manager, xdg-email's or xdg-open's exit status, or its absence,
// is the outcome; a failure names the folder it was to show.
void TestDesktopServices::fallbackExitStatus() {
    const QByteArray path = qgetenv("PATH");
    std::optional<platform::Outcome> outcome;
    const auto answer = [&](const platform::Outcome &o) { outcome = o; };
    // Mail or folder, and the program's exit status (-1: not installed).
    const std::pair<bool, int> cases[] = {{true, 0},  {true, 1},  {true, 2}, {true, 3},
                                          {true, -1}, {false, 0}, {false, 4}};
    for (const auto &[mail, status] : cases) {
        const QString program = mail ? u"xdg-email"_s : u"xdg-open"_s;
        const QString failure = status < 0 ? u"找不到 "_s + program
                                : status   ? u"退出状态 %1"_s.arg(status)
                                           : QString();
        QFile::remove(m_log);
        if (status < 0) {
            QFile::remove(m_bin + u'/' + program);
            qputenv("PATH", QFile::encodeName(m_bin));
        } else {
            recorder(m_bin + u'/' + program, m_log, status);
        }
        outcome.reset();
        mail ? m_desktop.mail(nullptr, m_pdf, answer)
             : m_desktop.showInFolder(nullptr, m_pdf, answer);
        QVERIFY(!outcome); // back at once: the window goes on while the program runs
        QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 10000);
        qputenv("PATH", path);
        const QString row = u"%1 %2: %3"_s.arg(program).arg(status).arg(outcome->message);
        QVERIFY2(outcome->kind == (failure.isEmpty() ? platform::Outcome::done
                                                     : platform::Outcome::failed) &&
                     outcome->message.contains(failure) &&
                     (mail || failure.isEmpty() || outcome->message.contains(m_scratch.path())),
                 qPrintable(row));
        if (status >= 0)
            QVERIFY2(lines(m_log) ==
                         (mail ? QStringList{u"--attach"_s, m_pdf} : QStringList{m_scratch.path()}),
                     qPrintable(row));
    }
    // A file manager on the bus is asked instead: nothing waits for it, and its late answer
    // is the outcome, with no second way tried.
    Running standin;
    startStandin(standin, u"filemanager=4000"_s);
    QFile::remove(m_log);
    outcome.reset();
    m_desktop.showInFolder(nullptr, m_pdf, answer);
    QVERIFY(!outcome && !lines(m_calls).contains(u"ShowItems answered"_s)); // back at once
    QTRY_VERIFY_WITH_TIMEOUT(outcome.has_value(), 8000);
    QTRY_COMPARE(lines(m_calls), QStringList({"ShowItems " + QUrl::fromLocalFile(m_pdf).toEncoded(),
                                              u"ShowItems answered"_s}));
    QCOMPARE(outcome->kind, platform::Outcome::done);
    QTest::qWait(300);
    QVERIFY(lines(m_log).isEmpty()); // no fallback after a mere delay
}

// The save dialog opens in Documents, then in the folder used last; a typed name takes
// ".pdf", and a file there is replaced only when the user agrees.
void TestDesktopServices::saveAsksBeforeReplacing() {
    const QString home = m_scratch.filePath(u"home"_s);
    const QString elsewhere = m_scratch.filePath(u"elsewhere"_s);
    const QString kept = elsewhere + u"/march.pdf"_s;
    QVERIFY(writeFile(kept, "the statement the user kept"));
    const QStringList before = filesBelow(home);
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        QCOMPARE(dialog->directory().absolutePath(), home + u"/Documents"_s);
        dialog->setDirectory(elsewhere);
        dialog->selectFile(u"april"_s);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, u"Corvane_x.pdf"_s), elsewhere + u"/april.pdf"_s);
    // The user chooses "march", declines to replace march.pdf, then cancels.
    QTimer::singleShot(0, [&] {
        auto *dialog = waitForModal<QFileDialog>();
        if (!dialog) return;
        QCOMPARE(dialog->directory().absolutePath(), elsewhere);
        dialog->selectFile(u"march"_s);
        QTimer::singleShot(0, [dialog] {
            auto *question = waitForModal<QMessageBox>();
            if (question) question->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        });
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QCOMPARE(m_desktop.askSavePath(nullptr, u"Corvane_x.pdf"_s), QString());
    QCOMPARE(contents(kept), QByteArray("the statement the user kept"));
    QCOMPARE(filesBelow(home), before); // no dialog history or settings outlive the run
}

QTEST_MAIN(TestDesktopServices)
#include "test_desktop_services.moc"
