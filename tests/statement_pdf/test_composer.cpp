#include "pdf_text.h"
#include "statement_pdf/composer.h"
#include "statement_pdf/fonts.h"

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QtTest>

using namespace Qt::StringLiterals;

using StubPDF::Composer;

namespace {

PayrollDraft draft(bool a4 = false) {
    PayrollDraft d;
    d.a4 = a4;
    d.employee = u"Ada"_s;
    return d;
}

const QList<qreal> three = {0.6, 0.2, 0.2};

} // namespace

class TestComposer : public QObject {
    Q_OBJECT
private slots:
    void blockEndingAtTheLimitFits();
    void shrinkSteps();
    void normalisation_data();
    void normalisation();
};

void TestComposer::blockEndingAtTheLimitFits() {
    Composer c(draft());
    c.open();
    // 10 empty meta lines of 22 and 16 one-line rows of 24 bring the cursor to 686, so a
    // heading of 56 ends exactly at the bottom limit 792 − 50.
    for (int i = 0; i < 10; ++i)
        c.meta(u"L"_s, QString());
    for (int i = 0; i < 16; ++i)
        c.row({u"r"_s}, {1.0}, false, false);
    QCOMPARE(c.cursor(), 686.0);
    QCOMPARE(c.textHeight(QString(), 9, false, 100), 13.0); // empty text: size + 4
    c.heading(u"FITS"_s);
    QCOMPARE(c.page(), 1);
    QCOMPARE(c.cursor(), 722.0);
    c.heading(u"BREAKS"_s); // 722 + 56 is past the limit
    QCOMPARE(c.page(), 2);
    QCOMPARE(c.cursor(), 82 + c.textHeight(c.continuationLine(), 9, false, 536) + 14 + 36);
    // A continued page without an end date still reads as one.
    QCOMPARE(c.continuationLine(), u"Ada  |    |  Continued"_s);
    QCOMPARE(c.footer(), u"CAD  |  Page 2"_s);
    const PdfText pdf = readPdf(c.close());
    QCOMPARE(pdf.pages[1][2], u"BREAKS"_s); // a heading is never "(CONTINUED)"
}

void TestComposer::shrinkSteps() {
    Composer c(draft());
    c.open();
    QCOMPARE(c.shrunkSize(u"$1.00"_s, false, 100), 9.5);
    QCOMPARE(c.shrunkSize(u"000000099999.99"_s, false, 536 * 0.10), 6.5);
    // The same sizes as measuring every step from 9.5 down, a quarter point at a time.
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter device(&sink);
    device.setResolution(StubPDF::deviceResolution);
    for (const QString &text :
         {u"$999,999,999.99"_s, u"$12,345.67"_s, u"99999.99 "_s, u"$1.00"_s}) {
        for (const bool bold : {false, true}) {
            for (qreal width = 30; width <= 130; width += 1.5) {
                qreal expected = 9.5;
                while (QFontMetricsF(StubPDF::statementFont(expected, bold, &device), &device)
                               .horizontalAdvance(text) /
                           StubPDF::unitsPerPoint >
                       width - 12) {
                    if (expected - 0.25 <= 6.5) {
                        expected = 6.5;
                        break;
                    }
                    expected -= 0.25;
                }
                QCOMPARE(c.shrunkSize(text, bold, width), expected);
            }
        }
    }
    // The text of a shrunk cell is still drawn.
    c.row({"Hours", "000000099999.99"}, {0.9, 0.1}, false, false);
    QVERIFY(readPdf(c.close()).allLines().join(QString()).contains(u"000000099999.99"_s));
}

void TestComposer::normalisation_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("crlf") << u"a\r\nb"_s << u"a\nb"_s;
    QTest::newRow("lone cr") << u"a\rb\r"_s << u"a\nb\n"_s;
    QTest::newRow("cr cr lf") << u"a\r\r\nb"_s << u"a\n\nb"_s;
    QTest::newRow("tab") << u"\ta\t"_s << u"    a    "_s;
    QTest::newRow("empty") << QString() << QString();
}

void TestComposer::normalisation() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(Composer::normalised(in), out);
}

QTEST_MAIN(TestComposer)
#include "test_composer.moc"
