// One statement in many scripts under the font set-ups desktops have, each a private
// fontconfig made before the application starts (argument: its name). Every typed word must
// come back from the file and be drawn by every reader wherever Qt draws it, and the
// characters named as undrawable must be exactly those no font of the set-up has.
#include "files.h"
#include "pdf_text.h"
#include "programs.h"
#include "statement_pdf/fonts.h"
#include "statement_pdf/stub_pdf.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <fontconfig/fontconfig.h>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct SetUp {
    const char *name;
    QStringList fonts; // name filters, in the folders below
    bool preferCjk = false;
};

const QStringList base = {"/usr/share/fonts/truetype/liberation2/*.ttf",
                          "/usr/share/fonts/truetype/wqy/*.ttc"};
const QList<SetUp> setUps = {
    {"base", base},
    {"cjk", base + QStringList{"/usr/share/fonts/opentype/noto/NotoSansCJK-*.ttc"}, true},
    {"emoji", base + QStringList{"/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"}},
    {"core", base + QStringList{"/usr/share/fonts/truetype/noto/*.ttf"}},
};

QStringList filesOf(const SetUp &setUp) {
    QStringList files;
    for (const QString &pattern : setUp.fonts) {
        const QFileInfo glob(pattern);
        for (const QFileInfo &f : QDir(glob.path(), glob.fileName()).entryInfoList(QDir::Files))
            if (QLatin1String(setUp.name) != u"core" || f.fileName() != u"NotoColorEmoji.ttf")
                files.append(f.filePath());
    }
    return files;
}

// Links to the set-up's fonts and a fonts.conf that knows nothing else.
void useFontsOf(const SetUp &setUp, const QString &scratch) {
    QDir().mkpath(scratch + "/fonts");
    for (const QString &file : filesOf(setUp))
        QFile::link(file, scratch + "/fonts/" + QFileInfo(file).fileName());
    const char *cjk = "<match><test name='lang' compare='contains'><string>zh</string></test>"
                      "<edit name='family' mode='prepend' binding='strong'><string>Noto Sans CJK "
                      "SC</string></edit></match><alias><family>sans-serif</family><prefer>"
                      "<family>Noto Sans CJK SC</family></prefer></alias>";
    writeFile(scratch + "/fonts.conf",
              QString("<?xml version='1.0'?><fontconfig><dir>%1/fonts</dir>"
                      "<cachedir>%1/cache</cachedir>%2</fontconfig>")
                  .arg(scratch, setUp.preferCjk ? cjk : "")
                  .toUtf8());
    qputenv("FONTCONFIG_FILE", QFile::encodeName(scratch + "/fonts.conf"));
}

struct Sample {
    const char *script;
    QString text;
};

const QList<Sample> samples = {
    {"Chinese", u"王小明"_s},
    {"Latin accents", u"Rene\u0301e Ångström"_s}, // a combining acute
    {"kana", u"カタカナ ひらがな"_s},
    {"Hangul", u"한국어"_s},
    {"ligatures", u"office \uFB01 fi"_s},
    {"Arabic", u"مرحبا"_s},
    {"Hebrew", u"שלום"_s},
    {"Devanagari", u"हिन्दी क्षत्रिय"_s},
    {"Thai", u"ภาษาไทย"_s},
    {"emoji", u"😀 👩\u200D💻 🇨🇦"_s},
    {"CJK Ext B", u"𠮷"_s},
    {"symbols", u"€ ₹ √"_s},
};

// Every sample is an earning's label and a line of the notes; the name has two of them.
PayrollDraft international() {
    PayrollDraft d = PayrollDraft::sample();
    d.employee = samples[0].text + u' ' + samples[1].text;
    d.earnings.clear();
    QStringList notes;
    for (const Sample &s : samples) {
        d.earnings.append({.label = s.text,
                           .hourly = false,
                           .hours = {},
                           .rate = {},
                           .amount = u"1"_s,
                           .ytd = {}});
        notes.append(s.text);
    }
    d.notes = notes.join(u'\n');
    return d;
}

QString normal(const QString &word) {
    return word.normalized(QString::NormalizationForm_KC);
}

QString typedTexts(const PayrollDraft &d) {
    QString texts = d.employee + u'\n' + d.notes;
    for (const Earning &e : d.earnings)
        texts += u'\n' + e.label;
    return texts;
}

// The characters of `text` that no font of the current fontconfig has; characters that are
// never drawn (spaces, controls, joiners) are not asked about.
QStringList lackedByFontconfig(const QString &text) {
    FcConfig *config = FcInitLoadConfigAndFonts();
    QStringList lacked;
    for (const char32_t c : text.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        const auto category = QChar::category(c);
        if (QChar::isSpace(c) || category == QChar::Other_Control ||
            category == QChar::Other_Format || lacked.contains(character))
            continue;
        FcCharSet *set = FcCharSetCreate();
        FcCharSetAddChar(set, c);
        FcPattern *pattern = FcPatternBuild(nullptr, FC_CHARSET, FcTypeCharSet, set, nullptr);
        FcFontSet *fonts = FcFontList(config, pattern, nullptr);
        if (fonts->nfont == 0) lacked.append(character);
        FcFontSetDestroy(fonts);
        FcPatternDestroy(pattern);
        FcCharSetDestroy(set);
    }
    FcConfigDestroy(config);
    return lacked;
}

// Dark pixels inside `box` (points from the top-left corner) of a page drawn at 2 px/pt.
int inkIn(const QImage &page, const QRectF &box) {
    const QRect pixels = QRectF(box.topLeft() * 2, box.size() * 2).toAlignedRect() & page.rect();
    int dark = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            dark += qGray(page.pixel(x, y)) < 128;
    return dark;
}

// The pages of `pdf` as each reader draws them, in grey at 144 dpi.
QMap<QString, QList<QImage>> readerPages(const QString &pdf, const QString &folder) {
    const QMap<QString, QStringList> readers = {
        {"pdftoppm", {"-r", "144", "-gray", "-png", pdf, folder + "/pdftoppm"}},
        {"mutool", {"draw", "-q", "-r", "144", "-c", "gray", "-o", folder + "/mutool%d.png", pdf}},
        {"gs",
         {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray", "-r144", "-o",
          folder + "/gs%d.png", pdf}}};
    QMap<QString, QList<QImage>> pages;
    for (auto r = readers.begin(); r != readers.end(); ++r) {
        runProgram(r.key(), r.value());
        QStringList files = QDir(folder).entryList({r.key() + "*.png"}, QDir::Files);
        std::sort(files.begin(), files.end(), [](const QString &a, const QString &b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString &file : files)
            pages[r.key()].append(
                QImage(folder + u'/' + file).convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

// Whether Qt, with the same fonts, draws anything for `word`: what the preview shows.
int qtInk(const QString &word) {
    QImage image(600, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(StubPDF::statementFont(30, false, &image));
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, word);
    painter.end();
    return inkIn(image, QRectF(0, 0, 300, 60));
}

} // namespace

class TestStatementFonts : public QObject {
    Q_OBJECT
public:
    explicit TestStatementFonts(const SetUp &setUp) : setUp(setUp) {}

private slots:
    void initTestCase();
    void fontsEmbedded();
    void missingCharactersNamed();
    void eachScript_data();
    void eachScript();

private:
    const SetUp &setUp;
    PayrollDraft draft = international();
    QTemporaryDir folder;
    QString path;
    PdfText text;
    QMap<QString, QList<QImage>> pages;
};

void TestStatementFonts::initTestCase() {
    QVERIFY2(!filesOf(setUp).isEmpty(), "the set-up's font packages are not installed");
    const QByteArray pdf = StubPDF::make(draft);
    path = folder.filePath("statement.pdf");
    QVERIFY(writeFile(path, pdf));
    text = readPdf(pdf);
    QVERIFY2(text.loaded, "the statement is not a readable PDF");
    pages = readerPages(path, folder.path());
    for (auto r = pages.begin(); r != pages.end(); ++r)
        QVERIFY2(r.value().size() == text.pageCount(),
                 qPrintable(r.key() + QString(" drew %1 pages").arg(r.value().size())));
}

// Every font is in the file, under a name a reader can show (pictures of colour glyphs
// make a Type3 font, which has none).
void TestStatementFonts::fontsEmbedded() {
    const QStringList lines = runProgram("pdffonts", {path}).text.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 2);
    // Columns are as wide as the dashes under their titles: name, type, encoding, emb…
    const qsizetype emb = lines[1].indexOf(QLatin1String(" --- ")) + 1;
    for (const QString &font : lines.mid(2)) {
        const QString name = font.left(lines[1].indexOf(u' ')).trimmed();
        bool printable =
            !name.isEmpty() && (name != u"[none]" || font.contains(QLatin1String(" Type 3 ")));
        for (QChar c : name)
            printable = printable && c.unicode() > 0x20 && c.unicode() < 0x7F;
        QVERIFY2(printable && font.mid(emb, 3) == u"yes",
                 qPrintable(setUp.name + QString(": ") + font));
    }
}

// The notice names what no font of this set-up draws (the bundled face is one of them).
void TestStatementFonts::missingCharactersNamed() {
    QCOMPARE(StubPDF::missingCharacters(draft).join(u' '),
             lackedByFontconfig(typedTexts(draft)).join(u' '));
}

void TestStatementFonts::eachScript_data() {
    QTest::addColumn<QString>("sample");
    for (const Sample &s : samples)
        QTest::newRow(s.script) << s.text;
}

// Each word reads back as typed, as often as it was typed, from the plain text that copying
// gets (the word boxes split right-to-left words into letters). Spaces and bidi marks are the
// reader's guess, so words are counted in the text without them.
// And every reader draws something in the sample's earning label, left of its row's amount
// (found whatever the label reads back as), wherever Qt, with the same fonts, does.
void TestStatementFonts::eachScript() {
    QFETCH(QString, sample);
    static const QRegularExpression space(u"\\s+"_s), marks(u"[\u200E\u200F\u202A-\u202E]"_s);
    const QString typed = normal(typedTexts(draft)).remove(space);
    const QString read =
        normal(runProgram("pdftotext", {path, "-"}).text.remove(marks)).remove(space);
    for (const QString &word : sample.split(u' '))
        QVERIFY2(read.count(normal(word)) >= typed.count(normal(word)),
                 qPrintable(QString("set-up %1, word %2 read %3 times")
                                .arg(setUp.name, word)
                                .arg(read.count(normal(word)))));
    QList<QRectF> amounts;
    for (const auto &w : text.words.value(0))
        if (w.text == u"$1.00") amounts.append(w.box);
    QVERIFY2(amounts.size() == samples.size(), "the earnings are not all on page 1");
    std::sort(amounts.begin(), amounts.end(),
              [](const QRectF &a, const QRectF &b) { return a.top() < b.top(); });
    qsizetype row = 0;
    while (samples[row].text != sample)
        ++row;
    const QRectF label(38, amounts[row].top(), 200, amounts[row].height());
    QStringList blank;
    for (auto r = pages.cbegin(); r != pages.cend(); ++r)
        if (qtInk(sample) && inkIn(r.value().value(0), label) == 0) blank.append(r.key());
    QVERIFY2(blank.isEmpty(),
             qPrintable(QString("set-up %1: no ink from %2").arg(setUp.name, blank.join(", "))));
}

int main(int argc, char **argv) {
    const SetUp *setUp = nullptr;
    for (const SetUp &s : setUps)
        if (argc > 1 && QLatin1String(argv[1]) == QLatin1String(s.name)) setUp = &s;
    if (!setUp) {
        std::fprintf(stderr, "usage: %s base|cjk|emoji|core [test options]\n", argv[0]);
        return 2;
    }
    QTemporaryDir scratch;
    useFontsOf(*setUp, scratch.path());
    for (int i = 1; i + 1 < argc; ++i) // the set-up is not an option of the test
        argv[i] = argv[i + 1];
    --argc;
    QGuiApplication app(argc, argv);
    TestStatementFonts test(*setUp);
    return QTest::qExec(&test, argc, argv);
}
#include "test_statement_fonts.moc"
