#include "dates.h"
#include "payroll/money.h"
#include "payroll/payroll_draft.h"
#include "pdf_text.h"
#include "statement_drafts.h"
#include "statement_pdf/stub_pdf.h"

#include <QGuiApplication>
#include <QtTest>

#include <thread>

namespace {

PdfText render(const PayrollDraft &draft) {
    const PdfText pdf = readPdf(StubPDF::make(draft));
    if (!pdf.loaded) qWarning("the rendering is not a readable PDF");
    return pdf;
}

PayrollDraft withDeductions(int count) {
    PayrollDraft d = PayrollDraft::sample();
    d.deductions.clear();
    for (int i = 0; i < count; ++i)
        d.deductions.append({QUuid::createUuid(), QStringLiteral("Deduction %1").arg(i),
                             QStringLiteral("1"), QString()});
    return d;
}

} // namespace

class TestStatement : public QObject {
    Q_OBJECT
private slots:
    void pagesAndInformation();
    void rowContents();
    void pageBreaks();
    void lineBreaksAndTrailingSpaces();
    void anyTextIsDrawable_data();
    void anyTextIsDrawable();
    void concurrentRenderings();
    void previewRendersAgainAndAgain();
};

// The page itself; what is on it is compared with the reference renderings (test_pdf_writer).
void TestStatement::pagesAndInformation() {
    PayrollDraft d = PayrollDraft::sample();
    PdfText pdf = render(d);
    QCOMPARE(pdf.title, QStringLiteral("Pay Stub"));
    QCOMPARE(pdf.creator, QStringLiteral("Corvane Native"));
    QCOMPARE(pdf.sizes, QList<QSizeF>{QSizeF(612, 792)});
    d.a4 = true;
    pdf = render(d);
    QCOMPARE(pdf.pageCount(), 1);
    QVERIFY(qAbs(pdf.sizes[0].width() - 595.28) < 0.001);
    QVERIFY(qAbs(pdf.sizes[0].height() - 841.89) < 0.001);

    // Without any row, every section still has its heading, column titles and total.
    PayrollDraft empty;
    empty.earnings.clear();
    empty.deductions.clear();
    empty.reimbursements.clear();
    QCOMPARE(render(empty).pages.value(0),
             QStringList({"PAY STUB", "EMPLOYER", "EMPLOYEE", "PAY PERIOD", "PAYMENT DATE",
                          "GROSS EARNINGS", "Description Hours Rate Current YTD",
                          "TOTAL GROSS EARNINGS $0.00", "DEDUCTIONS", "Description Current YTD",
                          "TOTAL DEDUCTIONS $0.00", "REIMBURSEMENTS", "Description Current",
                          "TOTAL REIMBURSEMENTS $0.00", "FULL DEPOSIT NET PAYMENT $0.00",
                          "CAD | Page 1"}));
}

void TestStatement::rowContents() {
    PayrollDraft d;
    d.start = QDate(2026, 3, 2);
    d.currency = QStringLiteral("USD");
    d.payment = QStringLiteral("CHEQUE");
    d.earnings.resize(2);
    d.earnings[0].label = QStringLiteral("Bonus");
    d.earnings[0].hourly = false;
    d.earnings[0].amount = QStringLiteral("250");
    d.earnings[0].hours = QStringLiteral("8");
    d.earnings[0].ytd = QStringLiteral("  ");
    d.earnings[1].label = QStringLiteral("Shifts");
    d.earnings[1].hours = QStringLiteral("37.5");
    d.earnings[1].rate = QStringLiteral("20");
    d.earnings[1].amount = QStringLiteral("junk");
    d.deductions = {{QUuid::createUuid(), "Tax", "", "12"}};
    d.reimbursements = {{QUuid::createUuid(), "Travel", ""},
                        {QUuid::createUuid(), "", ""},
                        {QUuid::createUuid(), "", "5"}};
    const QStringList lines = render(d).allLines();
    for (const QString &line :
         {"PAY PERIOD " + shortMonth(3) + " 02, 2026",
          QStringLiteral("Bonus $250.00 $0.00"),        // no hours or rate on a fixed row
          QStringLiteral("Shifts 37.5 $20.00 $750.00"), // hours as typed
          QStringLiteral("TOTAL GROSS EARNINGS $1,000.00"),
          QStringLiteral("Tax $12.00"), // empty Current cell
          QStringLiteral("Travel $0.00"),
          QStringLiteral("$5.00"), // unlabelled but with an amount
          QStringLiteral("CHEQUE NET PAYMENT $1,005.00"), QStringLiteral("USD | Page 1")})
        QVERIFY2(lines.contains(line), qPrintable(line));
    QCOMPARE(lines.count(QStringLiteral("Description Current")), 1); // the blank row adds nothing
}

// With 56–63 points left a heading stays at the foot of the page and its table goes on
// at the top of the next; a net payment that does not fit goes to a page of its own.
void TestStatement::pageBreaks() {
    bool headingAlone = false, netAlone = false;
    for (int n = 1; n <= 40; ++n) {
        const PdfText pdf = render(withDeductions(n));
        if (pdf.pageCount() < 2) continue;
        const QStringList &first = pdf.pages[0], &last = pdf.pages.last();
        if (first[first.size() - 2] == u"REIMBURSEMENTS") {
            headingAlone = true;
            QCOMPARE(pdf.pages[1].mid(2, 2),
                     QStringList({"REIMBURSEMENTS (CONTINUED)", "Description Current"}));
            QCOMPARE(pdf.allLines().count(QStringLiteral("Description Current")), 1);
        }
        if (last.size() == 4) {
            netAlone = true;
            QCOMPARE(last,
                     QStringList({"PAY STUB",
                                  "Velo Marrick | " + shortMonth(6) + " 30, 2026 | Continued",
                                  "FULL DEPOSIT NET PAYMENT " + Money::string(270000 - 100 * n),
                                  QStringLiteral("CAD | Page %1").arg(pdf.pageCount())}));
        }
    }
    QVERIFY(headingAlone && netAlone);
}

// Every line-ending character breaks the line; spaces after an amount do not move it
// off its column's edge; notes ending in a break end with an empty line.
void TestStatement::lineBreaksAndTrailingSpaces() {
    PayrollDraft d = PayrollDraft::sample();
    d.notes = QStringLiteral("alpha\u000Bbeta\u000Cgamma\u0085delta\u2029epsilon");
    const QStringList lines = readPdf(StubPDF::make(d)).allLines();
    for (const char *word : {"alpha", "beta", "gamma", "delta", "epsilon"})
        QVERIFY2(lines.contains(QLatin1String(word)), qPrintable(lines.join(u'|')));

    const auto box = [](const PayrollDraft &draft, const QString &text) {
        for (const auto &word : readPdf(StubPDF::make(draft)).words.value(0))
            if (word.text == text) return word.box;
        return QRectF();
    };
    PayrollDraft spaced = PayrollDraft::sample();
    spaced.earnings[0].hours = QStringLiteral("135   ");
    const QRectF plain = box(PayrollDraft::sample(), QStringLiteral("135"));
    QVERIFY(!plain.isNull());
    QVERIFY(qAbs(box(spaced, QStringLiteral("135")).right() - plain.right()) < 0.05);

    PayrollDraft broken = PayrollDraft::sample(), unbroken = broken;
    unbroken.notes = QStringLiteral("note");
    broken.notes = QStringLiteral("note\n");
    const qreal gap =
        box(broken, QStringLiteral("NET")).top() - box(unbroken, QStringLiteral("NET")).top();
    QVERIFY2(gap >= 10 && gap <= 16, qPrintable(QString::number(gap))); // one line of 10 pt

    // A word longer than its column wraps inside itself, and every letter is drawn.
    d.employee = d.notes = QString(2000, u'W');
    qsizetype letters = 0;
    for (const QString &line : readPdf(StubPDF::make(d)).allLines())
        if (!line.isEmpty() && line.count(u'W') == line.size()) letters += line.size();
    QVERIFY(letters >= 4000); // the employee also heads every continued page
}

void TestStatement::anyTextIsDrawable_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("newlines") << QStringLiteral("\n\n\r\n\r\n\r");
    QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + "x" + QChar(0xDC00);
    QTest::newRow("controls") << QStringLiteral("a") + QChar(0) + QChar(7) + QChar(0x1B) + "b";
    QTest::newRow("long CJK run") << QString(1500, QChar(0x6C49));
}

void TestStatement::anyTextIsDrawable() {
    QFETCH(QString, text);
    PayrollDraft d = PayrollDraft::sample();
    d.employee = d.notes = d.earnings[0].label = d.deductions[1].label = d.payment = text;
    d.currency = text.left(40);
    QVERIFY(render(d).pageCount() >= 1);
}

// Four threads at once, three times over, each get exactly their own statement.
void TestStatement::concurrentRenderings() {
    QList<PayrollDraft> drafts(4, PayrollDraft::sample());
    QList<QStringList> alone;
    for (int i = 0; i < 4; ++i) {
        drafts[i].employee = QStringLiteral("Worker %1").arg(i);
        drafts[i].a4 = i % 2;
        drafts[i].notes = QString(300 * (i + 1), u'n');
        alone.append(readPdf(StubPDF::make(drafts[i])).allLines());
    }
    for (int round = 0; round < 3; ++round) {
        QList<QByteArray> results(4);
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i)
            threads.emplace_back([&, i] { results[i] = StubPDF::make(drafts[i]); });
        for (auto &t : threads)
            t.join();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(readPdf(results[i]).allLines(), alone[i]);
    }
    QVERIFY(alone[3].contains(QStringLiteral("EMPLOYEE Worker 3")));
}

// As the preview does: a 1,000-line note rendered again on every edit of the name. The
// layouts a document draws from stay alive while the cache makes room.
void TestStatement::previewRendersAgainAndAgain() {
    PayrollDraft d = StatementDrafts::numberedNotes(1000, QStringLiteral("Note line "), u'\n');
    QByteArray pdf;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 5000; ++i) {
        d.employee = QStringLiteral("Employee %1").arg(i);
        pdf = StubPDF::make(d);
        QVERIFY2(pdf.startsWith("%PDF-") && pdf.trimmed().endsWith("%%EOF"),
                 qPrintable(QStringLiteral("render %1").arg(i)));
    }
    qInfo("5,000 renderings in %lld ms", timer.elapsed());
    const PdfText last = readPdf(pdf);
    QVERIFY(last.pageCount() >= 20);
    QVERIFY(last.allLines().contains(QStringLiteral("Note line 999")));
    QVERIFY(last.allLines().contains(QStringLiteral("EMPLOYEE Employee 4999")));
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    TestStatement test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_statement.moc"
