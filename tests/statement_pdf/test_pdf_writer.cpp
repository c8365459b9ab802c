// The statement as our own writer makes it, against renderings made with Qt's PDF engine
// before the writer replaced it (tests/statement_pdf/reference/).
#include "statement_drafts.h"
#include "statement_pdf/stub_pdf.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPdfDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString reference = QStringLiteral(REFERENCE_DIR);

QString run(const QString &program, const QStringList &arguments, int *status = nullptr) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    if (status) *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString written(const QTemporaryDir &dir, const char *name, const QByteArray &pdf) {
    const QString path = dir.filePath(QString::fromLatin1(name) + QStringLiteral(".pdf"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(pdf);
    return path;
}

QStringList lines(const QString &text) {
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QImage firstPage(const QByteArray &pdf) {
    QBuffer buffer;
    buffer.setData(pdf);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    return document.render(0, QSize(612, 792)).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPdfWriter : public QObject {
    Q_OBJECT
private slots:
    void samePage_data();
    void samePage();
    void fontsEmbeddedAsSubsets();
    void viewerDrawsTheSamePage();
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
    const QStringList now = lines(run(QStringLiteral(GLYPH_POSITIONS), {path}));
    QFile before(reference + u'/' + name + QStringLiteral(".txt"));
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QStringList then = lines(QString::fromUtf8(before.readAll()));
    QCOMPARE(now.size(), then.size());
    for (qsizetype i = 0; i < now.size(); ++i) {
        const QStringList a = now[i].split(u'\t'), b = then[i].split(u'\t');
        QCOMPARE(a.value(0), b.value(0)); // page
        for (int column : {1, 2, 3, 4})
            QVERIFY2(qAbs(a.value(column).toDouble() - b.value(column).toDouble()) <= 0.05,
                     qPrintable(now[i] + QStringLiteral(" / ") + then[i]));
        // The old engine named a space as a tab or nothing; it is a space now.
        if (!b.value(5).trimmed().isEmpty()) QCOMPARE(a.value(5), b.value(5));
    }
    QFile text(reference + u'/' + name + QStringLiteral(".raw.txt"));
    QVERIFY(text.open(QIODevice::ReadOnly));
    QCOMPARE(run(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}),
             QString::fromUtf8(text.readAll()));
}

void TestPdfWriter::fontsEmbeddedAsSubsets() {
    QTemporaryDir dir;
    for (const auto &[name, draft] : StatementDrafts::all()) {
        const QString path = written(dir, name, StubPDF::make(draft));
        int status = -1;
        const QString check =
            run(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &status);
        QVERIFY2(status == 0 &&
                     check.contains(QStringLiteral("No syntax or stream encoding errors")),
                 qPrintable(check));
        const QStringList fonts = lines(run(QStringLiteral("pdffonts"), {path})).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &font : fonts) {
            // name, type (two words), encoding, then emb, sub, uni: all yes.
            const QStringList f = font.split(u' ', Qt::SkipEmptyParts);
            QVERIFY2(f.size() >= 8 && f[4] == u"yes" && f[5] == u"yes" && f[6] == u"yes" &&
                         f[0].indexOf(u'+') == 6,
                     qPrintable(font));
        }
        // The bundled faces, under their own family so that no installed font of the same
        // name can stand in; only characters they lack come from another face.
        QVERIFY(fonts.filter(QStringLiteral("+CorvaneSans-Bold ")).size() == 1);
        QVERIFY(fonts.filter(QStringLiteral("+CorvaneSans-Regular ")).size() == 1);
        if (QLatin1String(name) == QLatin1String("chinese")) QCOMPARE(fonts.size(), 3);
    }
}

// The viewer the window uses draws page 1 as it drew the old file (anti-aliasing aside).
void TestPdfWriter::viewerDrawsTheSamePage() {
    QFile old(reference + QStringLiteral("/sample.pdf"));
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

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    TestPdfWriter test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_pdf_writer.moc"
