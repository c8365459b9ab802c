#include "dates.h"
#include "payroll/money.h"
#include "pdf_text.h"
#include "statement_drafts.h"
#include "statement_pdf/stub_pdf.h"

#include <QtTest>

#include <future>

using namespace Qt::StringLiterals;

static PdfText render(const PayrollDraft &draft) {
    return readPdf(StubPDF::make(draft));
}

class TestStatement : public QObject {
    Q_OBJECT
private slots:
    void pagesAndInformation();
    void rowContents();
    void pageBreaks();
    void lineBreaksAndTrailingSpaces();
    void anyTextIsDrawable();
    void concurrentRenderings();
    void previewRendersAgainAndAgain();
};

// The page itself; what is on it is compared with the reference renderings (test_pdf_writer).
void TestStatement::pagesAndInformation() {
    PayrollDraft d = PayrollDraft::sample();
    const OpenedPdf pdf(StubPDF::make(d));
    QCOMPARE(pdf.document.metaData(QPdfDocument::MetaDataField::Title).toString(), u"Pay Stub"_s);
    QCOMPARE(pdf.document.metaData(QPdfDocument::MetaDataField::Creator).toString(),
             u"Corvane Native"_s);
    QCOMPARE(pdf.document.pagePointSize(0), QSizeF(612, 792));
    d.a4 = true; // to the hundredth of a point, the glyph positions of the reference renderings
    QCOMPARE(OpenedPdf(StubPDF::make(d)).document.pagePointSize(0).toSize(), QSize(595, 842));
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
    d.currency = u"USD"_s;
    d.payment = u"CHEQUE"_s;
    d.earnings = {
        {.label = "Bonus", .hourly = false, .hours = "8", .rate = {}, .amount = "250", .ytd = "  "},
        {.label = "Shifts", .hours = "37.5", .rate = "20", .amount = "junk", .ytd = {}}};
    d.deductions = {{.label = "Tax", .amount = {}, .ytd = "12"}};
    d.reimbursements = {{.label = "Travel", .amount = {}}, {}, {.label = {}, .amount = "5"}};
    const QStringList lines = render(d).allLines();
    for (const QString &line : {"PAY PERIOD " + shortMonth(3) + " 02, 2026",
                                u"Bonus $250.00 $0.00"_s,        // no hours or rate on a fixed row
                                u"Shifts 37.5 $20.00 $750.00"_s, // hours as typed
                                u"TOTAL GROSS EARNINGS $1,000.00"_s,
                                u"Tax $12.00"_s, // empty Current cell
                                u"Travel $0.00"_s,
                                u"$5.00"_s, // unlabelled but with an amount
                                u"CHEQUE NET PAYMENT $1,005.00"_s, u"USD | Page 1"_s})
        QVERIFY2(lines.contains(line), qPrintable(line));
    QCOMPARE(lines.count(u"Description Current"_s), 1); // the blank row adds nothing
}

// With 56–63 points left a heading stays at the foot of the page and its table goes on
// at the top of the next; a net payment that does not fit goes to a page of its own.
void TestStatement::pageBreaks() {
    bool headingAlone = false, netAlone = false;
    for (int n = 1; n <= 40; ++n) {
        PayrollDraft d = PayrollDraft::sample();
        d.deductions.fill({.label = u"Deduction"_s, .amount = u"1"_s, .ytd = {}}, n);
        const PdfText pdf = render(d);
        if (pdf.pageCount() < 2) continue;
        const QStringList &first = pdf.pages[0], &last = pdf.pages.last();
        if (first[first.size() - 2] == u"REIMBURSEMENTS") {
            headingAlone = true;
            QCOMPARE(pdf.pages[1].mid(2, 2),
                     QStringList({"REIMBURSEMENTS (CONTINUED)", "Description Current"}));
            QCOMPARE(pdf.allLines().count(u"Description Current"_s), 1);
        }
        if (last.size() == 4) {
            netAlone = true;
            QCOMPARE(last,
                     QStringList({"PAY STUB",
                                  "Velo Marrick | " + shortMonth(6) + " 30, 2026 | Continued",
                                  "FULL DEPOSIT NET PAYMENT " + Money::string(270000 - 100 * n),
                                  u"CAD | Page %1"_s.arg(pdf.pageCount())}));
        }
    }
    QVERIFY(headingAlone && netAlone);
}

// Every line-ending character breaks the line; spaces after an amount do not move it
// off its column's edge; notes ending in a break end with an empty line.
void TestStatement::lineBreaksAndTrailingSpaces() {
    PayrollDraft d = PayrollDraft::sample();
    d.notes = u"alpha\u000Bbeta\u000Cgamma\u0085delta\u2029epsilon"_s;
    const QStringList lines = render(d).allLines();
    QCOMPARE(lines.mid(lines.indexOf(u"alpha"_s), 5),
             QStringList({"alpha", "beta", "gamma", "delta", "epsilon"}));
    const auto box = [](const PayrollDraft &draft, const QString &text) {
        for (const auto &word : render(draft).words.value(0))
            if (word.text == text) return word.box;
        return QRectF();
    };
    PayrollDraft spaced = PayrollDraft::sample();
    spaced.earnings[0].hours = u"135   "_s;
    const QRectF plain = box(PayrollDraft::sample(), u"135"_s);
    QVERIFY(!plain.isNull());
    QVERIFY(qAbs(box(spaced, u"135"_s).right() - plain.right()) < 0.05);
    spaced.notes = u"note"_s;
    const qreal top = box(spaced, u"NET"_s).top();
    spaced.notes += u'\n';
    const qreal gap = box(spaced, u"NET"_s).top() - top;
    QVERIFY2(gap >= 10 && gap <= 16, qPrintable(QString::number(gap))); // one line of 10 pt
    // A word longer than its column wraps inside itself, and every letter is drawn.
    d.employee = d.notes = QString(2000, u'W');
    qsizetype letters = 0;
    for (const QString &line : render(d).allLines())
        if (!line.isEmpty() && line.count(u'W') == line.size()) letters += line.size();
    QVERIFY(letters >= 4000); // the employee also heads every continued page
}

void TestStatement::anyTextIsDrawable() {
    const std::pair<const char *, QString> cases[] = {
        {"newlines", u"\n\n\r\n\r\n\r"_s},
        {"lone surrogates", QString(QChar(0xD800)) + u'x' + QChar(0xDC00)},
        {"controls", u"a"_s + QChar(0) + QChar(7) + QChar(0x1B) + u'b'},
        {"long CJK run", QString(1500, QChar(0x6C49))}};
    for (const auto &[name, text] : cases) {
        PayrollDraft d = PayrollDraft::sample();
        d.employee = d.notes = d.earnings[0].label = d.deductions[1].label = d.payment = text;
        d.currency = text.left(40);
        QVERIFY2(render(d).pageCount() >= 1, name);
    }
}

// Four threads at once, three times over, each get exactly their own statement.
void TestStatement::concurrentRenderings() {
    QList<PayrollDraft> drafts(4, PayrollDraft::sample());
    QList<QStringList> alone;
    for (int i = 0; i < 4; ++i) {
        drafts[i].employee = u"Worker %1"_s.arg(i);
        drafts[i].a4 = i % 2;
        drafts[i].notes = QString(300 * (i + 1), u'n');
        alone.append(render(drafts[i]).allLines());
    }
    for (int round = 0; round < 3; ++round) {
        std::vector<std::future<QByteArray>> results;
        for (const PayrollDraft &draft : drafts)
            results.push_back(std::async(std::launch::async, StubPDF::make, draft));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(readPdf(results[i].get()).allLines(), alone[i]);
    }
    QVERIFY(alone[3].contains(u"EMPLOYEE Worker 3"_s));
}

// As the preview does: a 1,000-line note rendered again on every edit of the name. The
// layouts a document draws from stay alive while the cache makes room.
void TestStatement::previewRendersAgainAndAgain() {
    PayrollDraft d = StatementDrafts::numberedNotes(1000, u"Note line "_s, u'\n');
    QByteArray pdf;
    for (int i = 0; i < 5000; ++i) {
        d.employee = u"Employee %1"_s.arg(i);
        pdf = StubPDF::make(d);
    }
    const PdfText last = readPdf(pdf);
    QVERIFY(last.pageCount() >= 20);
    QVERIFY(last.allLines().contains(u"Note line 999"_s));
    QVERIFY(last.allLines().contains(u"EMPLOYEE Employee 4999"_s));
}

QTEST_MAIN(TestStatement)
#include "test_statement.moc"
