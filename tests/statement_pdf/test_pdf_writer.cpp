// The statement as our own writer makes it, against renderings made with Qt's PDF engine
// before the writer replaced it (tests/statement_pdf/reference/).
#include "files.h"
#include "pdf_text.h"
#include "programs.h"
#include "statement_drafts.h"
#include "statement_pdf/stub_pdf.h"

#include <QtGui>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString reference = QStringLiteral(REFERENCE_DIR "/");

QString written(const QTemporaryDir &dir, const QByteArray &pdf) {
    const QString path = dir.filePath(u"statement.pdf"_s);
    return writeFile(path, pdf) ? path : QString();
}

QStringList lines(const QString &text) {
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QImage firstPage(const QByteArray &pdf) {
    return OpenedPdf(pdf).document.render(0, QSize(612, 792)).convertToFormat(QImage::Format_RGB32);
}

// The structure tree with its text, as pdfinfo prints it: one item a line, trimmed; first
// what is wrong with the tags, if anything, marked "!".
QStringList structure(const QByteArray &pdf) {
    QTemporaryDir dir;
    const QString path = written(dir, pdf);
    const ProgramOutput check = runProgram(QStringLiteral(CHECK_TAGS), {path});
    QStringList items;
    for (const QString &line : lines(runProgram(u"pdfinfo"_s, {u"-struct-text"_s, path}).text))
        items.append(line.trimmed());
    if (!check.ok()) items.prepend(u"! marked content does not match: "_s + check.text);
    if (!runProgram(u"pdfinfo"_s, {path}).text.contains(u"Tagged:          yes"_s))
        items.prepend(u"! not marked as tagged"_s);
    return items;
}

// Whether each of `wanted` stands in `items`, in that order.
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

class TestPdfWriter : public QObject {
    Q_OBJECT
private slots:
    void samePage_data();
    void samePage();
    void viewerDrawsTheSamePage();
    void taggedInReadingOrder();
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
    const QString path = written(dir, StubPDF::make(draft));
    const QStringList now = lines(runProgram(QStringLiteral(GLYPH_POSITIONS), {path}).text);
    const QStringList then = lines(QString::fromUtf8(contents(reference + name + u".txt"_s)));
    QCOMPARE(now.size(), then.size());
    for (qsizetype i = 0; i < now.size(); ++i) {
        const QStringList a = now[i].split(u'\t'), b = then[i].split(u'\t');
        for (int column : {0, 1, 2, 3, 4}) // page, x, y, advance, size
            QVERIFY2(qAbs(a.value(column).toDouble() - b.value(column).toDouble()) <= 0.05,
                     qPrintable(now[i] + u" / "_s + then[i]));
        // The old engine named a space as a tab or nothing; it is a space now.
        if (!b.value(5).trimmed().isEmpty()) QCOMPARE(a.value(5), b.value(5));
    }
    QCOMPARE(runProgram(u"pdftotext"_s, {path, u"-"_s}).text,
             QString::fromUtf8(contents(reference + name + u".raw.txt"_s)));
    QVERIFY(OpenedPdf(contents(path)).ready()); // and qpdf finds no fault
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
    const QImage before = firstPage(contents(reference + u"sample.pdf"_s));
    const QImage now = firstPage(StubPDF::make(PayrollDraft::sample()));
    QCOMPARE(now.size(), before.size());
    qsizetype differing = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x)
            differing += now.pixel(x, y) != before.pixel(x, y);
    QVERIFY2(differing <= 612 * 792 / 100, qPrintable(QString::number(differing)));
}

// In reading order; tables broken across pages and notes over several pages are in the tree
// once each, paragraph by paragraph; what repeats on later pages for the eye is not.
void TestPdfWriter::taggedInReadingOrder() {
    PayrollDraft d = StatementDrafts::manyRows();
    d.notes = StatementDrafts::numberedNotes(400, u"word"_s, u' ').notes;
    d.notes.replace(400, 1, u'\n'); // a second paragraph, and an empty third
    d.notes += u"\n\nlast paragraph"_s;
    const QStringList items = structure(StubPDF::make(d));
    QVERIFY2(!items.value(0).startsWith(u'!'), qPrintable(items.value(0)));
    // Reading order, "|" between items.
    const QString order = QStringLiteral(
        "Document|H1 (block)|\"PAY STUB\"|Table (block)|TR|TH:|/Scope /Row|\"EMPLOYER\"|TD|"
        "\"Example Restaurant Ltd.\"|\"PAYMENT DATE\"|H2 (block)|\"GROSS EARNINGS\"|"
        "Table (block)|/Scope /Column|\"Description\"|\"Hours\"|\"Rate\"|\"Current\"|\"YTD\"|TD|"
        "\"Shift premium 1\"|\"1\"|\"$21.50\"|\"$21.50\"|\"$99,999.00\"|\"Shift premium 30\"|"
        "TH:|/Scope /Row|\"TOTAL GROSS EARNINGS\"|\"DEDUCTIONS\"|\"Union dues 1\"|"
        "\"Union dues 30\"|\"REIMBURSEMENTS\"|\"Mileage 30\"|\"ADDITIONAL NOTES\"|P (block)|"
        "\"FULL DEPOSIT\"|\"NET PAYMENT  $10,053.00\"");
    QVERIFY2(inOrder(items, order.split(u'|')), qPrintable(items.join(u'|')));
    QCOMPARE(items.last(), u"\"NET PAYMENT  $10,053.00\""_s);
    QCOMPARE(items.count(u"Table (block)"_s), 4);   // header block and three sections
    QCOMPARE(items.count(u"\"Description\""_s), 3); // one heading row each
    for (int i = 1; i <= 30; ++i)
        for (const QString &row : {u"Shift premium %1"_s, u"Union dues %1"_s, u"Mileage %1"_s})
            QCOMPARE(items.count(u'"' + row.arg(i) + u'"'), 1);
    for (const QString &item : items)
        QVERIFY2(!item.contains(u"CONTINUED"_s) && !item.contains(u"Continued"_s) &&
                     !item.contains(u"Page "_s),
                 qPrintable(item));
    // Paragraph by paragraph, the words of each as the notes have them.
    QStringList paragraphs;
    for (qsizetype i = items.indexOf(u"\"ADDITIONAL NOTES\""_s) + 1; i < items.size(); ++i) {
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
    const QString path =
        written(dir, StubPDF::make(StatementDrafts::numberedNotes(70000, u"line "_s, u'\n')));
    const QString tree = runProgram(u"pdfinfo"_s, {"-struct", path}).text;
    QCOMPARE(tree.count(u"P (block)"_s), 70001); // and the net payment
    // pdftotext leaves out what is drawn off its page.
    QVERIFY(runProgram(u"pdftotext"_s, {path, u"-"_s}).text.contains(u"line 69999\n"_s));
}

QTEST_MAIN(TestPdfWriter)
#include "test_pdf_writer.moc"
