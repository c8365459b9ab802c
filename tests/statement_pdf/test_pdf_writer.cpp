// The statement as our own writer makes it, against renderings made with Qt's PDF engine
// before the writer replaced it (tests/statement_pdf/reference/).
#include "pdf_text.h"
#include "programs.h"
#include "statement_drafts.h"
#include "statement_pdf/fonts.h"
#include "statement_pdf/metrics_device.h"
#include "statement_pdf/stub_pdf.h"

#include <QImage>
#include <QPainterPath>
#include <QRawFont>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString reference = QStringLiteral(REFERENCE_DIR);

QString written(const QTemporaryDir &dir, const char *name, const QByteArray &pdf) {
    const QString path = dir.filePath(QString::fromLatin1(name) + u".pdf"_s);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(pdf);
    return path;
}

QStringList lines(const QString &text) {
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QImage firstPage(const QByteArray &pdf) {
    OpenedPdf opened(pdf);
    return opened.document.render(0, QSize(612, 792)).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPdfWriter : public QObject {
    Q_OBJECT
private slots:
    void samePage_data();
    void samePage();
    void viewerDrawsTheSamePage();
    void taggedInReadingOrder();
    void continuedPagesReadOnce();
    void seventyThousandNoteLines();
};

void TestPdfWriter::samePage_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<PayrollDraft>("draft");
    for (const auto &[name, draft] : StatementDrafts::all())
        QTest::newRow(name) << QString::fromLatin1(name) << draft;
}

// Every drawn character starts where it did and advances as far (within 0.05 pt), and
// the text read back is the same.
void TestPdfWriter::samePage() {
    QFETCH(QString, name);
    QFETCH(PayrollDraft, draft);
    QTemporaryDir dir;
    const QString path = written(dir, "statement", StubPDF::make(draft));
    const QStringList now = lines(runProgram(QStringLiteral(GLYPH_POSITIONS), {path}).text);
    QFile before(reference + u'/' + name + u".txt"_s);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QStringList then = lines(QString::fromUtf8(before.readAll()));
    QCOMPARE(now.size(), then.size());
    for (qsizetype i = 0; i < now.size(); ++i) {
        const QStringList a = now[i].split(u'\t'), b = then[i].split(u'\t');
        QCOMPARE(a.value(0), b.value(0)); // page
        for (int column : {1, 2, 3, 4})
            QVERIFY2(qAbs(a.value(column).toDouble() - b.value(column).toDouble()) <= 0.05,
                     qPrintable(now[i] + u" / "_s + then[i]));
        // The old engine named a space as a tab or nothing; it is a space now.
        if (!b.value(5).trimmed().isEmpty()) QCOMPARE(a.value(5), b.value(5));
    }
    QFile text(reference + u'/' + name + u".raw.txt"_s);
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(runProgram(u"pdftotext"_s, {path, u"-"_s}).text, QString::fromUtf8(text.readAll()));
    const ProgramOutput check = runProgram(u"qpdf"_s, {"--check", path});
    QVERIFY2(check.ok() && check.text.contains("No syntax or stream encoding errors"),
             qPrintable(check.text));
    // Every font embedded as a subset with its Unicode map; the bundled faces under their
    // own family, so that no installed font of the same name can stand in. Only characters
    // they lack come from another face.
    const QStringList fonts = lines(runProgram(u"pdffonts"_s, {path}).text).mid(2);
    for (const QString &font : fonts) { // name, type (two words), encoding, emb, sub, uni
        const QStringList f = font.split(u' ', Qt::SkipEmptyParts);
        QVERIFY2(f.size() >= 8 && f[4] == u"yes" && f[5] == u"yes" && f[6] == u"yes" &&
                     f[0].indexOf(u'+') == 6,
                 qPrintable(font));
    }
    QCOMPARE(fonts.filter(QRegularExpression("\\+CorvaneSans-(Bold|Regular) ")).size(), 2);
    QCOMPARE(fonts.size(), name == u"chinese" ? 3 : 2);
}

// The viewer the window uses draws page 1 as it drew the old file (anti-aliasing aside).
void TestPdfWriter::viewerDrawsTheSamePage() {
    QFile old(reference + u"/sample.pdf"_s);
    QVERIFY(old.open(QIODevice::ReadOnly));
    const QImage before = firstPage(old.readAll());
    const QImage now = firstPage(StubPDF::make(PayrollDraft::sample()));
    QCOMPARE(now.size(), before.size());
    qsizetype differing = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x)
            differing += now.pixel(x, y) != before.pixel(x, y);
    const qsizetype all = qsizetype(now.width()) * now.height();
    QVERIFY2(differing * 100 <= all, qPrintable(QString::number(differing)));
}

namespace {

// The structure tree with its text, as pdfinfo prints it: one item a line, trimmed.
QStringList structure(const QByteArray &pdf) {
    QTemporaryDir dir;
    const QString path = written(dir, "tagged", pdf);
    const ProgramOutput check = runProgram(QStringLiteral(CHECK_TAGS), {path});
    QStringList items;
    for (const QString &line : lines(runProgram(u"pdfinfo"_s, {u"-struct-text"_s, path}).text))
        items.append(line.trimmed());
    if (!check.ok()) items.prepend(u"marked content does not match: "_s + check.text);
    return items;
}

// Where each of `wanted` stands in `items`, in that order; -1 where it does not.
bool inOrder(const QStringList &items, const QStringList &wanted) {
    qsizetype from = 0;
    for (const QString &w : wanted) {
        from = items.indexOf(w, from);
        if (from < 0) return false;
        ++from;
    }
    return true;
}

} // namespace

void TestPdfWriter::taggedInReadingOrder() {
    const QByteArray pdf = StubPDF::make(PayrollDraft::sample());
    QTemporaryDir dir;
    QVERIFY(runProgram(u"pdfinfo"_s, {written(dir, "sample", pdf)})
                .text.contains(u"Tagged:          yes"_s));
    const QStringList items = structure(pdf);
    QVERIFY2(!items.value(0).startsWith(u"marked content"_s), qPrintable(items.value(0)));
    // Reading order, "|" between items.
    const QString order = QStringLiteral(
        "Document|H1 (block)|\"PAY STUB\"|Table (block)|TR|TH:|/Scope /Row|\"EMPLOYER\"|TD|"
        "\"Example Restaurant Ltd.\"|\"PAYMENT DATE\"|H2 (block)|\"GROSS EARNINGS\"|"
        "Table (block)|/Scope /Column|\"Description\"|\"Hours\"|\"Rate\"|\"Current\"|\"YTD\"|TD|"
        "\"Salary or wages for regular hours worked\"|\"135\"|\"$20.00\"|\"$2,700.00\"|"
        "\"$16,000.00\"|TH:|/Scope /Row|\"TOTAL GROSS EARNINGS\"|\"DEDUCTIONS\"|"
        "\"REIMBURSEMENTS\"|P (block)|\"FULL DEPOSIT\"|\"NET PAYMENT  $2,331.38\"");
    QVERIFY2(inOrder(items, order.split(u'|')), qPrintable(items.join(u'|')));
    QCOMPARE(items.last(), u"\"NET PAYMENT  $2,331.38\""_s);
    QVERIFY(!items.contains(u"\"CAD  |  Page 1\""_s)); // the footer is pagination
}

// Tables broken across pages and notes over several pages are in the tree once each, in
// reading order, paragraph by paragraph; what repeats on later pages for the eye is not.
void TestPdfWriter::continuedPagesReadOnce() {
    PayrollDraft d = StatementDrafts::manyRows();
    d.notes = StatementDrafts::longNotes().notes;
    d.notes.replace(400, 1, u'\n'); // a second paragraph, and an empty third
    d.notes += u"\n\nlast paragraph"_s;
    const QStringList items = structure(StubPDF::make(d));
    QVERIFY2(!items.value(0).startsWith(u"marked content"_s), qPrintable(items.value(0)));
    QCOMPARE(items.count(u"Table (block)"_s), 4);   // header block and three sections
    QCOMPARE(items.count(u"\"Description\""_s), 3); // one heading row each
    for (int i = 1; i <= 30; ++i)
        for (const QString &row : {u"Shift premium %1"_s, u"Union dues %1"_s, u"Mileage %1"_s})
            QCOMPARE(items.count(u'"' + row.arg(i) + u'"'), 1);
    QVERIFY(inOrder(items, {"\"Shift premium 1\"", "\"Shift premium 30\"", "\"Union dues 1\"",
                            "\"Union dues 30\"", "\"Mileage 30\""}));
    for (const QString &item : items)
        QVERIFY2(!item.contains(u"CONTINUED"_s) && !item.contains(u"Continued"_s) &&
                     !item.contains(u"Page "_s),
                 qPrintable(item));
    QCOMPARE(items.count(u"\"PAY STUB\""_s), 1);
    const qsizetype notes = items.indexOf(u"\"ADDITIONAL NOTES\""_s);
    QVERIFY(notes > 0);
    // Paragraph by paragraph, the words of each as the notes have them.
    QStringList paragraphs;
    for (qsizetype i = notes + 1; i < items.size(); ++i) {
        if (items[i] == u"P (block)")
            paragraphs.append(QString());
        else if (items[i].startsWith(u'"') && !paragraphs.isEmpty())
            paragraphs.last() += u' ' + items[i].mid(1, items[i].size() - 2);
    }
    paragraphs.removeLast(); // the net payment
    QStringList expected = d.notes.split(u'\n');
    QCOMPARE(paragraphs.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        QCOMPARE(paragraphs[i].simplified(), expected[i].simplified());
}

// More objects than 16 bits count, and lines far past where Qt's fixed-point positions
// run out: every paragraph is in the structure tree, and the last line is on the page.
void TestPdfWriter::seventyThousandNoteLines() {
    QTemporaryDir dir;
    const QString path = written(
        dir, "long", StubPDF::make(StatementDrafts::numberedNotes(70000, u"line "_s, u'\n')));
    const QString tree = runProgram(u"pdfinfo"_s, {"-struct", path}).text;
    QCOMPARE(tree.count(u"P (block)"_s), 70001); // and the net payment
    const QString pages = runProgram(u"pdfinfo"_s, {path}).text;
    const QString last = pages.section(u"Pages:"_s, 1).section(u'\n', 0, 0).trimmed();
    QVERIFY(runProgram(u"pdftotext"_s, {"-f", last, "-l", last, path, "-"})
                .text.contains(u"line 69999\n"_s));
}

QTEST_MAIN(TestPdfWriter)
#include "test_pdf_writer.moc"
