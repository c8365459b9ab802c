#include "pdf_text.h"
#include "statement_pdf/composer.h"
#include "statement_pdf/fonts.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QtTest>

using StubPDF::Composer;

namespace {

PayrollDraft draft(bool a4 = false) {
    PayrollDraft d;
    d.a4 = a4;
    d.employee = QStringLiteral("Ada");
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
    void pageTexts();
};

void TestComposer::blockEndingAtTheLimitFits() {
    Composer c(draft());
    c.open();
    // 10 empty meta lines of 22 and 16 one-line rows of 24 bring the cursor to 686, so a
    // heading of 56 ends exactly at the bottom limit 792 − 50.
    for (int i = 0; i < 10; ++i)
        c.meta(QStringLiteral("L"), QString());
    for (int i = 0; i < 16; ++i)
        c.row({QStringLiteral("r")}, {1.0}, false, false);
    QCOMPARE(c.cursor(), 686.0);
    QCOMPARE(c.textHeight(QString(), 9, false, 100), 13.0); // empty text: size + 4
    c.heading(QStringLiteral("FITS"));
    QCOMPARE(c.page(), 1);
    QCOMPARE(c.cursor(), 722.0);
    c.heading(QStringLiteral("BREAKS")); // 722 + 56 is past the limit
    QCOMPARE(c.page(), 2);
    QCOMPARE(c.cursor(), 82 + c.textHeight(c.continuationLine(), 9, false, 536) + 14 + 36);
    const PdfText pdf = readPdf(c.close());
    QCOMPARE(pdf.pages[1][2], QStringLiteral("BREAKS")); // a heading is never "(CONTINUED)"
}

void TestComposer::shrinkSteps() {
    Composer c(draft());
    c.open();
    QCOMPARE(c.shrunkSize(QStringLiteral("$1.00"), false, 100), 9.5);
    QCOMPARE(c.shrunkSize(QStringLiteral("000000099999.99"), false, 536 * 0.10), 6.5);
    // The same sizes as measuring every step from 9.5 down, a quarter point at a time.
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QPdfWriter device(&sink);
    device.setResolution(StubPDF::deviceResolution);
    for (const QString &text : {QStringLiteral("$999,999,999.99"), QStringLiteral("$12,345.67"),
                                QStringLiteral("99999.99 "), QStringLiteral("$1.00")}) {
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
    QVERIFY(
        readPdf(c.close()).allLines().join(QString()).contains(QStringLiteral("000000099999.99")));
}

void TestComposer::normalisation_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("crlf") << QStringLiteral("a\r\nb") << QStringLiteral("a\nb");
    QTest::newRow("lone cr") << QStringLiteral("a\rb\r") << QStringLiteral("a\nb\n");
    QTest::newRow("cr cr lf") << QStringLiteral("a\r\r\nb") << QStringLiteral("a\n\nb");
    QTest::newRow("tab") << QStringLiteral("\ta\t") << QStringLiteral("    a    ");
    QTest::newRow("empty") << QString() << QString();
}

void TestComposer::normalisation() {
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(Composer::normalised(in), out);
}

// A continued page without an end date still reads as one.
void TestComposer::pageTexts() {
    Composer c(draft());
    c.open();
    c.beginPage();
    QCOMPARE(c.continuationLine(), QStringLiteral("Ada  |    |  Continued"));
    QCOMPARE(c.footer(), QStringLiteral("CAD  |  Page 2"));
    c.close();
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    TestComposer test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_composer.moc"
