// Printing through the real printing system, to the queue named in CORVANE_TEST_PRINTER
// that keeps the document as sent in CORVANE_TEST_PRINTER_OUTPUT (scripts/test-printer.sh
// makes one). Without one, the whole test is reported as skipped.
#include "app/payroll_model.h"
#include "files.h"
#include "pdf_text.h"
#include "programs.h"
#include "recording_desktop.h"
#include "window/content_view.h"

#include <QtPrintSupport>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestPrinting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void queueStates_data();
    void queueStates();

private:
    QString m_queue, m_output;
};

void TestPrinting::initTestCase() {
    m_queue = qEnvironmentVariable("CORVANE_TEST_PRINTER");
    m_output = qEnvironmentVariable("CORVANE_TEST_PRINTER_OUTPUT");
    if (m_queue.isEmpty() || m_output.isEmpty()) QSKIP("no test print queue (see .ci/run)");
}

// The PDF itself goes to the queue; what the queue does with it is said, and only a job
// it accepted counts as delivered.
void TestPrinting::queueStates_data() {
    QTest::addColumn<QString>("state");   // the command that puts the queue in it
    QTest::addColumn<QString>("restore"); // and the one that ends it
    QTest::addColumn<QString>("said");    // a note, or an alert's title and message
    QTest::newRow("ready") << QString() << QString() << u"note:已发送到打印机 “%1”"_s;
    QTest::newRow("stopped") << u"cupsdisable"_s << u"cupsenable"_s
                             << u"note:打印机 “%1” 已暂停，作业会等到它恢复后再打印"_s;
    QTest::newRow("refusing jobs")
        << u"cupsreject"_s << u"cupsaccept"_s << u"alert:无法打印|无法打印到“%1”"_s;
}

void TestPrinting::queueStates() {
    QFETCH(QString, state);
    QFETCH(QString, restore);
    QFETCH(QString, said);
    if (!state.isEmpty() && !runProgram(state, {m_queue}).ok())
        QSKIP("this user may not change the test queue");
    const auto restored = qScopeGuard([&] {
        if (state.isEmpty()) return;
        runProgram(u"cancel"_s, {u"-a"_s, m_queue});
        runProgram(restore, {m_queue});
    });
    QFile::remove(m_output);
    NotedAlerts desktop;
    ContentView view(&desktop);
    view.show();
    view.model()->setDraft(PayrollDraft::sample());
    QTimer::singleShot(0, [&] {
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QPrintDialog *>(QApplication::activeModalWidget()),
                                 10000);
        qobject_cast<QDialog *>(QApplication::activeModalWidget())->accept();
    });
    view.printAction()->trigger();
    const bool alert = said.startsWith(u"alert:"_s);
    said = said.section(u':', 1).arg(m_queue);
    QTRY_VERIFY2_WITH_TIMEOUT(alert ? !desktop.alerts.isEmpty() : view.note() == said,
                              qPrintable(view.note()), 30000);
    QVERIFY2(desktop.alerts.size() == alert && (!alert || desktop.alerts[0].startsWith(said)),
             qPrintable(desktop.alerts.join(u'\n')));
    QCOMPARE(view.model()->undelivered(), alert); // only an accepted job is delivered
    if (!state.isEmpty()) return;
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_output).size() > 1000, 30000);
    QTest::qWait(500); // the queue may still be writing
    const QStringList text = readPdf(contents(m_output)).allLines();
    QVERIFY(text.contains(u"FULL DEPOSIT NET PAYMENT $2,331.38"_s));
    QVERIFY(runProgram(u"pdffonts"_s, {m_output}).text.contains("CorvaneSans"));
}

QTEST_MAIN(TestPrinting)
#include "test_printing.moc"
