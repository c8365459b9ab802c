// One statement in many scripts under the font set-ups desktops have, each a private
// fontconfig made before the application starts (argument: its name).
#include "files.h"
#include "pdf_text.h"
#include "programs.h"
#include "statement_pdf/fonts.h"
#include "statement_pdf/stub_pdf.h"

#include <QtGui>
#include <QtTest>

#include <fontconfig/fontconfig.h>

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
    {"core", base + QStringList{"/usr/share/fonts/truetype/noto/Noto[!C]*.ttf"}}, // not emoji
};

// Links to the set-up's fonts and a fonts.conf that knows nothing else; false when a
// pattern finds no font.
bool useFontsOf(const SetUp &setUp, const QString &scratch) {
    QDir().mkpath(scratch + "/fonts");
    for (const QString &pattern : setUp.fonts) {
        const QFileInfo glob(pattern);
        const QFileInfoList files = QDir(glob.path(), glob.fileName()).entryInfoList(QDir::Files);
        if (files.isEmpty()) return false;
        for (const QFileInfo &file : files)
            QFile::link(file.filePath(), scratch + "/fonts/" + file.fileName());
    }
    const char *cjk = "<match><test name='lang' compare='contains'><string>zh</string></test>"
                      "<edit name='family' mode='prepend' binding='strong'><string>Noto Sans CJK "
                      "SC</string></edit></match><alias><family>sans-serif</family><prefer>"
                      "<family>Noto Sans CJK SC</family></prefer></alias>";
    writeFile(scratch + "/fonts.conf",
              QString("<?xml version='1.0'?><fontconfig><dir>%1/fonts</dir>"
                      "<cachedir>%1/cache</cachedir>%2</fontconfig>")
                  .arg(scratch, setUp.preferCjk ? cjk : "")
                  .toUtf8());
    return qputenv("FONTCONFIG_FILE", QFile::encodeName(scratch + "/fonts.conf"));
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
        Earning &e = d.earnings.emplace_back();
        e.label = s.text;
        e.hourly = false;
        e.amount = u"1"_s;
        notes.append(s.text);
    }
    d.notes = notes.join(u'\n');
    return d;
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
        // By name: page 1 comes first, whatever the order of the others.
        for (const QString &file : QDir(folder).entryList({r.key() + "*.png"}, QDir::Files))
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
private slots:
    void initTestCase();
    void fontsEmbeddedAndMissingNamed();
    void eachScript();

private:
    PayrollDraft draft = international();
    QTemporaryDir folder;
    QString path;
    PdfText text;
    QMap<QString, QList<QImage>> pages;
};

void TestStatementFonts::initTestCase() {
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
// make a Type3 font, which has none). The notice names what no font of this set-up draws
// (the bundled face is one of them).
void TestStatementFonts::fontsEmbeddedAndMissingNamed() {
    const QStringList lines = runProgram("pdffonts", {path}).text.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 2);
    // Columns are as wide as the dashes under their titles: name, type, encoding, emb…
    const qsizetype emb = lines[1].indexOf(QLatin1String(" --- ")) + 1;
    for (const QString &font : lines.mid(2)) {
        static const QRegularExpression printable(u"^[!-~]+$"_s);
        const QString name = font.left(lines[1].indexOf(u' ')).trimmed();
        QVERIFY2(
            (name == u"[none]" ? font.contains(u" Type 3 "_s) : printable.match(name).hasMatch()) &&
                font.mid(emb, 3) == u"yes",
            qPrintable(font));
    }
    QCOMPARE(StubPDF::missingCharacters(draft).join(u' '),
             lackedByFontconfig(typedTexts(draft)).join(u' '));
}

// Each word reads back as typed, as often as it was typed, from the plain text that copying
// gets (the word boxes split right-to-left words into letters). Spaces and bidi marks are the
// reader's guess, so words are counted in the text without them.
// And every reader draws something in each sample's earning label, left of its row's amount
// (found whatever the label reads back as), wherever Qt, with the same fonts, does.
void TestStatementFonts::eachScript() {
    static const QRegularExpression space(u"\\s+"_s), marks(u"[\u200E\u200F\u202A-\u202E]"_s);
    const auto kc = QString::NormalizationForm_KC;
    const QString typed = typedTexts(draft).normalized(kc).remove(space);
    const QString read =
        runProgram("pdftotext", {path, "-"}).text.remove(marks).normalized(kc).remove(space);
    QList<QRectF> amounts;
    for (const auto &w : text.words.value(0))
        if (w.text == u"$1.00") amounts.append(w.box);
    QVERIFY2(amounts.size() == samples.size(), "the earnings are not all on page 1");
    std::sort(amounts.begin(), amounts.end(),
              [](const QRectF &a, const QRectF &b) { return a.top() < b.top(); });
    QStringList faults;
    for (qsizetype row = 0; row < samples.size(); ++row) {
        const Sample &sample = samples[row];
        for (const QString &word : sample.text.normalized(kc).split(u' '))
            if (read.count(word) < typed.count(word))
                faults.append(u"%1 read %2 times"_s.arg(word).arg(read.count(word)));
        const QRectF label(38, amounts[row].top(), 200, amounts[row].height());
        for (auto r = pages.cbegin(); r != pages.cend(); ++r)
            if (qtInk(sample.text) && inkIn(r.value().value(0), label) == 0)
                faults.append(u"no ink from %1 in %2"_s.arg(r.key(), sample.script));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_s)));
}

int main(int argc, char **argv) {
    const auto setUp = std::find_if(setUps.begin(), setUps.end(), [&](const SetUp &s) {
        return argc > 1 && qstrcmp(argv[1], s.name) == 0;
    });
    QTemporaryDir scratch;
    if (setUp == setUps.end() || !useFontsOf(*setUp, scratch.path())) {
        qCritical("usage: %s base|cjk|emoji|core [test options], with the set-up's fonts "
                  "installed",
                  argv[0]);
        return 2;
    }
    argv[1] = argv[0]; // the set-up is not an option of the test
    QGuiApplication app(--argc, ++argv);
    TestStatementFonts test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_statement_fonts.moc"
