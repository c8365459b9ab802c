#include "pdf_text.h"
#include "statement_pdf/composer.h"
#include "statement_pdf/fonts.h"

#include <QtGui>
#include <QtTest>

using namespace Qt::StringLiterals;

using StubPDF::Composer;

class TestComposer : public QObject {
    Q_OBJECT
private slots:
    void blockEndingAtTheLimitFits();
    void shrinkSteps();
    void normalisation();
};

void TestComposer::blockEndingAtTheLimitFits() {
    PayrollDraft d;
    d.employee = u"Ada"_s;
    Composer c(d);
    c.open();
    // 10 empty meta lines of 22 and 16 one-line rows of 24 bring the cursor to 686, so a
    // heading of 56 ends exactly at the bottom limit 792 − 50.
    for (int i = 0; i < 10; ++i)
        c.meta(u"L"_s, QString());
    for (int i = 0; i < 16; ++i)
        c.row({u"r"_s}, {1.0}, false, false);
    QCOMPARE(c.textHeight(QString(), 9, false, 100), 13.0); // empty text: size + 4
    c.heading(u"FITS"_s);
    QCOMPARE(c.cursor(), 722.0);
    c.heading(u"BREAKS"_s); // 722 + 56 is past the limit
    QCOMPARE(c.cursor(), 82 + c.textHeight(c.continuationLine(), 9, false, 536) + 14 + 36);
    // A continued page without an end date still reads as one.
    QCOMPARE(c.continuationLine(), u"Ada  |    |  Continued"_s);
    QCOMPARE(c.footer(), u"CAD  |  Page 2"_s);
    QCOMPARE(readPdf(c.close()).pages.value(1).value(2), u"BREAKS"_s); // never "(CONTINUED)"
}

// A cell's size is the largest quarter point from 9.5 down at which its text fits the
// column less 12 pt of padding, and never below 6.5.
void TestComposer::shrinkSteps() {
    Composer c(PayrollDraft{});
    c.open();
    StubPDF::MetricsDevice device;
    for (const QString &text : {u"$999,999,999.99"_s, u"$12,345.67"_s, u"99999.99 "_s, u"$1.00"_s})
        for (const bool bold : {false, true})
            for (qreal width = 30; width <= 130; width += 1.5) {
                const auto fits = [&](qreal size) {
                    const QFontMetricsF metrics(StubPDF::statementFont(size, bold, &device),
                                                &device);
                    return metrics.horizontalAdvance(text) / StubPDF::unitsPerPoint <= width - 12;
                };
                const qreal size = c.shrunkSize(text, bold, width);
                QVERIFY2(size >= 6.5 && size <= 9.5 && std::fmod(size, 0.25) == 0 &&
                             (size == 6.5 || fits(size)) && (size == 9.5 || !fits(size + 0.25)),
                         qPrintable(u"%1 at %2 pt: %3"_s.arg(text).arg(width).arg(size)));
            }
    // The text of a shrunk cell is still drawn.
    c.row({"Hours", "000000099999.99"}, {0.9, 0.1}, false, false);
    QVERIFY(readPdf(c.close()).allLines().join(QString()).contains(u"000000099999.99"_s));
}

// CR LF and lone CR are line feeds, a tab is four spaces.
void TestComposer::normalisation() {
    QCOMPARE(Composer::normalised(u"\ta\r\nb\rc\r\r\nd\r"_s), u"    a\nb\nc\n\nd\n"_s);
}

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
