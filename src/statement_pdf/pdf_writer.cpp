#include "statement_pdf/pdf_writer.h"

#include "statement_pdf/big_endian.h"
#include "statement_pdf/fonts.h"
#include "statement_pdf/metrics_device.h"

#include <QCryptographicHash>
#include <QImage>
#include <QPainter>
#include <QVarLengthArray>

#include <algorithm>
#include <cmath>

namespace StubPDF {

namespace {

// A number as PDF writes it: at most three decimals, no trailing zeros. Written from
// whole thousandths, straight into the stream: the content is made of little else.
void appendNumber(QByteArray &out, qreal v) {
    qint64 thousandths = std::llround(v * 1000);
    char text[32];
    int at = sizeof text;
    const bool negative = thousandths < 0;
    if (negative) thousandths = -thousandths;
    qint64 fraction = thousandths % 1000;
    if (fraction) {
        int digits = 3;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i, fraction /= 10)
            text[--at] = char('0' + fraction % 10);
        text[--at] = '.';
    }
    qint64 whole = thousandths / 1000;
    do {
        text[--at] = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    if (negative) text[--at] = '-';
    out.append(text + at, qsizetype(sizeof text) - at);
}

QByteArray num(qreal v) {
    QByteArray text;
    appendNumber(text, v);
    return text;
}

void appendHex4(QByteArray &out, quint32 v) {
    static const char digits[] = "0123456789ABCDEF";
    const char text[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                          digits[v & 15]};
    out.append(text, 4);
}

QByteArray hex4(quint32 v) {
    QByteArray text;
    appendHex4(text, v);
    return text;
}

// `level` trades time for size: the font files, made once and kept, take the best.
QByteArray deflated(const QByteArray &data, int level) {
    return qCompress(data, level).mid(4); // qCompress prefixes the zlib stream with its size
}

QByteArray stream(const QByteArray &data, const QByteArray &extra = QByteArray(), int level = 1) {
    const QByteArray packed = deflated(data, level);
    return "<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" + extra +
           " >>\nstream\n" + packed + "\nendstream";
}

// A text string: literal when plain ASCII, otherwise UTF-16 with its byte order mark.
QByteArray textString(const QString &text) {
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (ascii) {
        QByteArray escaped = text.toLatin1();
        escaped.replace('\\', "\\\\").replace('(', "\\(").replace(')', "\\)");
        return '(' + escaped + ')';
    }
    QByteArray utf16("FEFF");
    for (QChar c : text)
        utf16 += hex4(c.unicode());
    return '<' + utf16 + '>';
}

// "ABCDEF+": six letters that tell this subset from others of the same font.
QByteArray subsetTag(const QList<quint32> &glyphs) {
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (quint32 g : glyphs)
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(&g), sizeof g));
    const QByteArray digest = hash.result();
    QByteArray tag;
    for (int i = 0; i < 6; ++i)
        tag.append(char('A' + uchar(digest[i]) % 26));
    return tag + '+';
}

// A name object: what a name cannot hold as it is, #-escaped.
QByteArray pdfName(const QByteArray &name) {
    QByteArray out = "/";
    for (char c : name) {
        if (c > 0x20 && c < 0x7F && !QByteArray("()<>[]{}/%#").contains(c))
            out.append(c);
        else
            out.append('#').append(QByteArray::number(uchar(c), 16).rightJustified(2, '0'));
    }
    return out;
}

void appendCode(QByteArray &out, quint32 code, bool wide) {
    if (wide) {
        appendHex4(out, code);
    } else {
        static const char digits[] = "0123456789ABCDEF";
        out.append(digits[(code >> 4) & 15]).append(digits[code & 15]);
    }
}

// A CMap of a font's codes, one or two bytes each: to the text each shows (ToUnicode) or to
// CIDs (the encoding of a CFF font).
QByteArray cmap(const QList<std::pair<quint32, QByteArray>> &entries, bool wide, bool toCids,
                const QByteArray &name) {
    QByteArray out = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n";
    out += toCids
               ? "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> def\n"
               : "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n";
    out += "/CMapName /" + name + " def\n/CMapType " + (toCids ? "1" : "2") + " def\n";
    out += wide ? "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
                : "1 begincodespacerange\n<00> <FF>\nendcodespacerange\n";
    const QByteArray begin = toCids ? " begincidchar\n" : " beginbfchar\n";
    const QByteArray end = toCids ? "endcidchar\n" : "endbfchar\n";
    for (qsizetype i = 0; i < entries.size(); i += 100) {
        const qsizetype block = std::min<qsizetype>(100, entries.size() - i);
        out += QByteArray::number(block) + begin;
        for (qsizetype k = i; k < i + block; ++k) {
            out += '<';
            appendCode(out, entries[k].first, wide);
            out += "> " + entries[k].second + '\n';
        }
        out += end;
    }
    return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

// What each code shows, as ToUnicode says it: UTF-16, pairs for characters past the BMP.
// Codes from..to are written from `first` on.
QByteArray toUnicode(const QHash<quint32, QString> &text, quint32 from, quint32 to, quint32 first,
                     bool wide) {
    QList<std::pair<quint32, QByteArray>> entries;
    for (auto it = text.constBegin(); it != text.constEnd(); ++it) {
        if (it.key() < from || it.key() >= to) continue;
        QByteArray utf16 = "<";
        for (QChar c : it.value())
            appendHex4(utf16, c.unicode());
        entries.append({it.key() - from + first, utf16 + '>'});
    }
    std::sort(entries.begin(), entries.end());
    return cmap(entries, wide, false, "Adobe-Identity-UCS");
}

// The language of a text for a screen reader's voice, when it is not the document's
// English: by the scripts it is written in.
QByteArray languageOf(const QList<GlyphCluster> &clusters) {
    bool han = false;
    for (const GlyphCluster &cluster : clusters)
        for (qsizetype i = 0; i < cluster.text.size(); ++i) {
            const QChar c = cluster.text[i];
            const bool pair = c.isHighSurrogate() && i + 1 < cluster.text.size() &&
                              cluster.text[i + 1].isLowSurrogate();
            switch (QChar::script(pair ? QChar::surrogateToUcs4(c, cluster.text[++i])
                                       : char32_t(c.unicode()))) {
            case QChar::Script_Hiragana:
            case QChar::Script_Katakana:
                return "ja";
            case QChar::Script_Hangul:
                return "ko";
            case QChar::Script_Han:
                han = true;
                break;
            case QChar::Script_Arabic:
                return "ar";
            case QChar::Script_Hebrew:
                return "he";
            case QChar::Script_Devanagari:
                return "hi";
            case QChar::Script_Bengali:
                return "bn";
            case QChar::Script_Tamil:
                return "ta";
            case QChar::Script_Gujarati:
                return "gu";
            case QChar::Script_Gurmukhi:
                return "pa";
            case QChar::Script_Telugu:
                return "te";
            case QChar::Script_Kannada:
                return "kn";
            case QChar::Script_Malayalam:
                return "ml";
            case QChar::Script_Sinhala:
                return "si";
            case QChar::Script_Thai:
                return "th";
            case QChar::Script_Lao:
                return "lo";
            case QChar::Script_Khmer:
                return "km";
            case QChar::Script_Myanmar:
                return "my";
            case QChar::Script_Greek:
                return "el";
            case QChar::Script_Armenian:
                return "hy";
            case QChar::Script_Georgian:
                return "ka";
            case QChar::Script_Ethiopic:
                return "am";
            default:
                break;
            }
        }
    return han ? "zh" : QByteArray();
}

// Glyphs a Type3 font of colour pictures holds: one-byte codes, code 0 kept apart.
constexpr quint32 colourCodes = 255;

bool isColourFont(const QRawFont &raw) {
    return !raw.fontTable("CBDT").isEmpty() || !raw.fontTable("sbix").isEmpty() ||
           !raw.fontTable("COLR").isEmpty();
}

} // namespace

void PdfWriter::beginPage(qreal width, qreal height) {
    m_pages.append({width, height, {}, {}, {}});
}

// Fills and rules are decoration: artifacts, never part of the structure.
void PdfWriter::fillRect(const QRectF &rect, qreal grey) {
    Page &page = m_pages.last();
    page.content += "/Artifact BMC " + num(grey) + " g " + num(rect.x()) + ' ' +
                    num(page.height - rect.y() - rect.height()) + ' ' + num(rect.width()) + ' ' +
                    num(rect.height()) + " re f EMC\n";
}

void PdfWriter::line(const QPointF &from, const QPointF &to, qreal width, qreal grey) {
    Page &page = m_pages.last();
    page.content += "/Artifact BMC " + num(grey) + " G " + num(width) + " w " + num(from.x()) +
                    ' ' + num(page.height - from.y()) + " m " + num(to.x()) + ' ' +
                    num(page.height - to.y()) + " l S EMC\n";
}

void PdfWriter::beginElement(const QByteArray &type, const QByteArray &attributes) {
    // Inside an artifact nothing is structure: the element is only counted, so that its
    // end still matches.
    if (m_artifacts > 0) {
        m_open.append(-1);
        return;
    }
    const int parent = m_open.isEmpty() ? -1 : m_open.last();
    const int index = int(m_elements.size());
    m_elements.append({type, attributes, parent, {}});
    if (parent >= 0) m_elements[parent].kids.append({index, -1, -1});
    m_open.append(index);
}

void PdfWriter::endElement() {
    if (!m_open.isEmpty()) m_open.removeLast();
}

void PdfWriter::openMarked(const QByteArray &lang) {
    Page &page = m_pages.last();
    if (m_artifacts > 0 || m_open.isEmpty() || m_open.last() < 0) {
        page.content.append("/Artifact BMC\n");
        return;
    }
    const int element = m_open.last();
    const int mcid = int(page.owners.size());
    page.owners.append(element);
    m_elements[element].kids.append({-1, int(m_pages.size() - 1), mcid});
    page.content.append('/').append(m_elements[element].type).append(" <</MCID ");
    appendNumber(page.content, mcid);
    // Text in another language than the document's says so, so that a screen reader
    // switches voice.
    if (!lang.isEmpty()) page.content.append(" /Lang (").append(lang).append(')');
    page.content.append(">> BDC\n");
}

void PdfWriter::closeMarked() {
    m_pages.last().content.append("EMC\n");
}

// The advance in font units from the font's own metrics: what the width table will say,
// so that a viewer places each glyph where the layout did.
qreal PdfWriter::Font::advance(quint32 glyph) const {
    return BigEndian::u16(advances, 4 * qsizetype(std::min<quint32>(glyph, metricsCount - 1u)));
}

// The text goes into the ToUnicode map when each glyph says a part of it there: one glyph
// the whole text (a letter, a ligature, a conjunct), or several one character each, in
// order, as the font's own map has them. A code says one text, always.
bool PdfWriter::Font::say(const quint32 *codes, const quint32 *ids, qsizetype count,
                          const QString &shown) {
    if (shown.isEmpty()) return false;
    if (count == 1) {
        if (ids[0] == 0) return false; // the missing-glyph box stands for anything
        const auto known = text.constFind(codes[0]);
        if (known == text.constEnd()) {
            text.insert(codes[0], shown);
            return true;
        }
        return *known == shown;
    }
    const QList<uint> chars = shown.toUcs4();
    if (chars.size() != count) return false;
    QVarLengthArray<QString, 4> parts;
    for (qsizetype k = 0; k < count; ++k) {
        const char32_t c = chars[k];
        parts.append(QString::fromUcs4(&c, 1));
        const auto known = text.constFind(codes[k]);
        if (ids[k] == 0 || raw.glyphIndexesForString(parts[k]).value(0) != ids[k] ||
            (known != text.constEnd() && *known != parts[k]))
            return false;
    }
    for (qsizetype k = 0; k < count; ++k)
        text.insert(codes[k], parts[k]);
    return true;
}

quint32 PdfWriter::Font::code(quint32 glyph) {
    auto it = codes.constFind(glyph);
    if (it != codes.constEnd()) return *it;
    glyphs.append(glyph);
    return *codes.insert(glyph, quint32(glyphs.size() - 1));
}

int PdfWriter::fontFor(const QRawFont &raw) {
    // The same face comes at several sizes, each a font engine of its own.
    if (const auto known = m_rawIndex.constFind(raw); known != m_rawIndex.constEnd()) return *known;
    const QByteArray key = FontCache::faceKey(raw);
    auto it = m_fontIndex.constFind(key);
    if (it != m_fontIndex.constEnd()) return m_rawIndex[raw] = *it;
    Font font;
    font.raw = raw;
    font.colour = isColourFont(raw);
    font.advances = raw.fontTable("hmtx");
    font.metricsCount = std::max<quint16>(1, BigEndian::u16(raw.fontTable("hhea"), 34));
    font.unitsPerEm = std::max<quint16>(16, BigEndian::u16(raw.fontTable("head"), 18));
    font.code(0); // the missing-glyph box comes first in every font
    m_fonts.append(font);
    return m_rawIndex[raw] = *m_fontIndex.insert(key, int(m_fonts.size() - 1));
}

QByteArray PdfWriter::resourceName(int font, int part) {
    return "F" + QByteArray::number(font + 1) + '_' + QByteArray::number(part);
}

void PdfWriter::selectFont(int font, int part, qreal size) {
    Page &page = m_pages.last();
    const std::pair<int, int> used{font, part};
    if (!page.fonts.contains(used)) page.fonts.append(used);
    page.content.append("/F");
    appendNumber(page.content, font + 1);
    page.content.append('_');
    appendNumber(page.content, part);
    page.content.append(' ');
    appendNumber(page.content, size);
    page.content.append(" Tf\n");
}

void PdfWriter::glyphs(const QGlyphRun &run, const QPointF &origin, qreal scale, qreal grey,
                       const QList<GlyphCluster> &clusters) {
    QList<quint32> ids = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    if (ids.isEmpty() || m_pages.isEmpty()) return;
    QRawFont raw = run.rawFont();
    qreal size = raw.pixelSize() * scale;
    if (!hasGlyphData(raw)) {
        // No installed font has these characters: Qt's boxes are an em square as tall as
        // the box engine's ascent; the bundled face's missing-glyph box stands in.
        if (!m_boxFace.isValid()) {
            static thread_local MetricsDevice device;
            m_boxFace = QRawFont::fromFont(statementFont(10, false, &device));
        }
        size = raw.ascent() * scale;
        raw = m_boxFace;
        ids.fill(0);
    }
    const int index = fontFor(raw);
    Font &font = m_fonts[index];
    const bool wide = !font.colour;

    // Clusters that do not cover the run's glyphs exactly say the whole run's text.
    QList<GlyphCluster> groups = clusters;
    qsizetype covered = 0;
    for (const GlyphCluster &c : clusters)
        covered += c.glyphs;
    if (covered != ids.size()) {
        QString shown;
        for (const GlyphCluster &c : clusters)
            shown += c.text;
        groups = {{ids.size(), shown, false}};
    }

    Page &page = m_pages.last();
    QByteArray &out = page.content;
    openMarked(languageOf(groups));
    out.append("BT ");
    appendNumber(out, grey);
    out.append(" g\n");
    int selected = -1; // the part of the font set now
    qreal penX = 0, penY = 0;
    bool open = false, inString = false;
    QList<QRectF> boxes; // in the page's own coordinates
    const auto closeArray = [&] {
        if (open) out.append(inString ? "> ] TJ\n" : "] TJ\n");
        open = inString = false;
    };
    const auto draw = [&](qsizetype i, quint32 code) {
        const qreal x = origin.x() + positions[i].x() * scale;
        const qreal y = page.height - (origin.y() + positions[i].y() * scale);
        if (!open || std::abs(y - penY) > 0.0005) {
            closeArray();
            out.append("1 0 0 1 ");
            appendNumber(out, x);
            out.append(' ');
            appendNumber(out, y);
            out.append(" Tm [");
            open = true;
            penY = y;
        } else if (const qreal gap = x - penX; std::abs(gap * 1000 / size) >= 0.0005) {
            // Where the layout puts a glyph other than the width table would.
            out.append(inString ? "> " : "");
            appendNumber(out, -gap * 1000 / size);
            out.append(' ');
            inString = false;
        }
        if (!inString) out.append('<');
        inString = true;
        appendCode(out, font.colour ? 1 + code % colourCodes : code, wide);
        const qreal advance = font.advance(ids[i]) * size / font.unitsPerEm;
        // A character no font has: the missing-glyph box, drawn for every reader (some
        // fonts' own box is empty).
        if (ids[i] == 0)
            boxes.append(QRectF(x + 0.08 * size, y, advance - 0.16 * size, 0.7 * size));
        penX = x + advance;
    };

    qsizetype first = 0;
    for (const GlyphCluster &cluster : groups) {
        QVarLengthArray<quint32, 4> codes;
        for (qsizetype i = first; i < first + cluster.glyphs; ++i)
            codes.append(font.code(ids[i]));
        const bool mapped = cluster.drawn && font.say(codes.constData(), ids.constData() + first,
                                                      codes.size(), cluster.text);
        if (!mapped) {
            closeArray();
            out.append("/Span <</ActualText ").append(textString(cluster.text)).append(">> BDC\n");
        }
        for (qsizetype k = 0; k < codes.size(); ++k) {
            // A colour font's later codes are in another PDF font: set outside the array.
            if (const int part = font.colour ? int(codes[k] / colourCodes) : 0; part != selected) {
                closeArray();
                selectFont(index, part, size);
                selected = part;
            }
            draw(first + k, codes[k]);
        }
        if (!mapped) {
            closeArray();
            out.append("EMC\n");
        }
        first += cluster.glyphs;
    }
    closeArray();
    out.append("ET\n");
    if (!boxes.isEmpty()) {
        out.append("q ");
        appendNumber(out, grey);
        out.append(" G ");
        appendNumber(out, 0.06 * size);
        out.append(" w");
        for (const QRectF &box : boxes) {
            for (qreal v : {box.x(), box.y(), box.width(), box.height()}) {
                out.append(' ');
                appendNumber(out, v);
            }
            out.append(" re");
        }
        out.append(" S Q\n");
    }
    closeMarked();
}

// The live preview writes the same maps again and again: deflated once.
QByteArray PdfWriter::keptStream(const QByteArray &data) {
    return m_cache.kept("stream|" + data, [&] { return QList<QByteArray>{stream(data)}; }).value(0);
}

QByteArray PdfWriter::outlineFont(const Font &font, QList<QByteArray> &objects) {
    const auto add = [&objects](const QByteArray &body) {
        objects.append(body);
        return QByteArray::number(objects.size()) + " 0 R";
    };
    const std::shared_ptr<const FontProgram> program = m_cache.program(font.raw, font.glyphs);
    const FaceMetrics m = m_cache.metrics(font.raw);
    const bool cff = program->outlines == FontProgram::Outlines::cff;
    const QByteArray name =
        pdfName((program->subset ? subsetTag(font.glyphs) : QByteArray()) + m.postScriptName);
    const QByteArray file =
        add("<< /Length " + QByteArray::number(program->deflated.size()) + " /Filter /FlateDecode" +
            (cff ? QByteArray(" /Subtype /CIDFontType0C")
                 : " /Length1 " + QByteArray::number(program->fileSize)) +
            " >>\nstream\n" + program->deflated + "\nendstream");
    // Symbolic (4): the glyphs are not those of the standard Latin set.
    const int flags = 4 | (m.fixedPitch ? 1 : 0) | (m.italicAngle != 0 ? 64 : 0);
    const QByteArray descriptor =
        add("<< /Type /FontDescriptor /FontName " + name + " /Flags " + QByteArray::number(flags) +
            " /FontBBox [" + num(m.boundingBox[0]) + ' ' + num(m.boundingBox[1]) + ' ' +
            num(m.boundingBox[2]) + ' ' + num(m.boundingBox[3]) + "] /ItalicAngle " +
            num(m.italicAngle) + " /Ascent " + num(m.ascent) + " /Descent " + num(m.descent) +
            " /CapHeight " + num(m.capHeight) + " /StemV " + num(m.stemV) +
            (cff ? " /FontFile3 " : " /FontFile2 ") + file + " >>");

    // Codes are the order glyphs were first drawn in. A TrueType program finds each by its
    // new glyph id through CIDToGIDMap; a CFF one by CID, which the encoding gives.
    const qreal perUnit = 1000.0 / font.unitsPerEm;
    QByteArray widths = "[";
    QByteArray toGlyph;
    QList<std::pair<quint32, QByteArray>> toCid;
    if (!cff) widths += "0 [";
    for (qsizetype c = 0; c < font.glyphs.size(); ++c) {
        const quint32 target = program->glyphs.value(c);
        const QByteArray w = num(font.advance(font.glyphs[c]) * perUnit);
        if (cff) {
            toCid.append({quint32(c), QByteArray::number(target)});
            widths += QByteArray::number(target) + " [" + w + "] ";
        } else {
            widths += (c ? " " : "") + w;
            toGlyph.append(char(target >> 8)).append(char(target));
        }
    }
    widths += cff ? "]" : "]]";
    const QByteArray map = cff ? QByteArray() : add(keptStream(toGlyph));
    const QByteArray cidFont =
        add("<< /Type /Font /Subtype " + QByteArray(cff ? "/CIDFontType0" : "/CIDFontType2") +
            " /BaseFont " + name +
            " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
            " /FontDescriptor " +
            descriptor + " /W " + widths + (cff ? QByteArray() : " /CIDToGIDMap " + map) + " >>");
    QByteArray encoding = "/Identity-H";
    if (cff) {
        const QByteArray cmapName = "Corvane-" + subsetTag(font.glyphs).left(6);
        encoding = add(stream(cmap(toCid, true, true, cmapName),
                              " /Type /CMap /CMapName /" + cmapName +
                                  " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity)"
                                  " /Supplement 0 >>"));
    }
    const QByteArray unicode = add(keptStream(toUnicode(font.text, 0, 0x10000, 0, true)));
    return add("<< /Type /Font /Subtype /Type0 /BaseFont " + name + " /Encoding " + encoding +
               " /DescendantFonts [" + cidFont + "] /ToUnicode " + unicode + " >>");
}

// Colour glyphs (emoji) are pictures: each is drawn once, large, and placed in a Type3
// glyph as an image with its transparency, which every reader shows as the preview does.
QList<QByteArray> PdfWriter::colourFonts(const Font &font, QList<QByteArray> &objects) {
    const auto add = [&objects](const QByteArray &body) {
        objects.append(body);
        return QByteArray::number(objects.size()) + " 0 R";
    };
    constexpr int pixels = 128; // per em: about the size of the fonts' own bitmaps
    QRawFont raw = font.raw;
    raw.setPixelSize(pixels);
    // Glyph space is 1/1000 em, as readers expect of a Type3 font's metrics.
    const qreal k = 1000.0 / pixels; // glyph space units per pixel
    const QByteArray face = FontCache::faceKey(font.raw);
    QList<QByteArray> fonts;
    for (qsizetype from = 0; from < font.glyphs.size(); from += colourCodes) {
        const qsizetype count = std::min<qsizetype>(colourCodes, font.glyphs.size() - from);
        // Code 0 is an empty "m" 0.6 em wide: text extractors guess the scale of a Type3
        // font's glyph space from its "m", and would otherwise make every box too tall.
        QByteArray procs = "/m " + add(stream("600 0 d0")) + ' ', images, differences = "/m ",
                   widths = "600 ";
        qreal top = 0, bottom = 0, right = 0;
        for (qsizetype c = from; c < from + count; ++c) {
            const quint32 glyph = font.glyphs[c];
            const QList<QByteArray> picture =
                m_cache.kept(face + "|picture|" + QByteArray::number(glyph), [&] {
                    const qreal advance =
                        raw.advancesForGlyphIndexes(QList<quint32>{glyph}).value(0).x();
                    const int w = std::max(1, int(std::ceil(advance)));
                    const int h = std::max(1, int(std::ceil(raw.ascent() + raw.descent())));
                    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
                    image.fill(Qt::transparent);
                    QGlyphRun one;
                    one.setRawFont(raw);
                    one.setGlyphIndexes({glyph});
                    one.setPositions({QPointF(0, raw.ascent())});
                    QPainter painter(&image);
                    painter.drawGlyphRun(QPointF(0, 0), one);
                    painter.end();
                    image = image.convertToFormat(QImage::Format_ARGB32);
                    QByteArray rgb, alpha;
                    for (int y = 0; y < h; ++y) {
                        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
                        for (int x = 0; x < w; ++x) {
                            rgb.append(char(qRed(line[x])))
                                .append(char(qGreen(line[x])))
                                .append(char(qBlue(line[x])));
                            alpha.append(char(qAlpha(line[x])));
                        }
                    }
                    const QByteArray size = " /Width " + QByteArray::number(w) + " /Height " +
                                            QByteArray::number(h) + " /BitsPerComponent 8";
                    return QList<QByteArray>{
                        QByteArray::number(w), QByteArray::number(h),
                        stream(rgb,
                               " /Type /XObject /Subtype /Image" + size + " /ColorSpace /DeviceRGB",
                               6),
                        stream(alpha,
                               " /Type /XObject /Subtype /Image" + size +
                                   " /ColorSpace /DeviceGray",
                               6)};
                });
            const qreal w = picture[0].toInt() * k, h = picture[1].toInt() * k;
            const qreal descent = raw.descent() * k;
            QByteArray image = picture[2];
            const QByteArray mask = add(picture[3]);
            image.insert(image.indexOf(">>"), " /SMask " + mask + ' ');
            const QByteArray imageRef = add(image);
            const QByteArray id = QByteArray::number(c - from + 1);
            const qreal advance = font.advance(glyph) * 1000 / font.unitsPerEm;
            const QByteArray proc =
                add(stream(num(advance) + " 0 d0\nq " + num(w) + " 0 0 " + num(h) + " 0 " +
                           num(-descent) + " cm /I" + id + " Do Q"));
            procs += "/g" + id + ' ' + proc + ' ';
            images += "/I" + id + ' ' + imageRef + ' ';
            differences += "/g" + id + ' ';
            widths += num(advance) + ' ';
            top = std::max(top, h - descent);
            bottom = std::min(bottom, -descent);
            right = std::max(right, w);
        }
        const QByteArray unicode =
            add(stream(toUnicode(font.text, quint32(from), quint32(from + count), 1, false)));
        fonts.append(
            add("<< /Type /Font /Subtype /Type3 /FontBBox [0 " + num(bottom) + ' ' + num(right) +
                ' ' + num(top) + "] /FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << " + procs +
                ">> /Encoding << /Type /Encoding /Differences [0 " + differences +
                "] >> /FirstChar 0 /LastChar " + QByteArray::number(count) + " /Widths [" + widths +
                "] /Resources << /XObject << " + images + ">> >> /ToUnicode " + unicode + " >>"));
    }
    return fonts;
}

QByteArray PdfWriter::finish(const QString &title, const QString &creator) {
    // Objects 1 to 3 are the catalog, the page tree and the document information;
    // pages and fonts follow.
    QList<QByteArray> objects(3);
    const auto add = [&objects](const QByteArray &body) {
        objects.append(body);
        return QByteArray::number(objects.size()) + " 0 R";
    };

    QHash<QByteArray, QByteArray> fontRefs; // by resource name
    for (qsizetype f = 0; f < m_fonts.size(); ++f) {
        if (m_fonts[f].colour) {
            const QList<QByteArray> parts = colourFonts(m_fonts[f], objects);
            for (qsizetype p = 0; p < parts.size(); ++p)
                fontRefs.insert(resourceName(int(f), int(p)), parts[p]);
        } else {
            fontRefs.insert(resourceName(int(f), 0), outlineFont(m_fonts[f], objects));
        }
    }

    // Pages and structure elements refer to each other: their numbers come first.
    const auto reserve = [&objects] {
        objects.append(QByteArray());
        return qsizetype(objects.size() - 1);
    };
    const auto ref = [](qsizetype index) { return QByteArray::number(index + 1) + " 0 R"; };
    QList<qsizetype> pageObjects, elementObjects;
    for (qsizetype i = 0; i < m_pages.size(); ++i)
        pageObjects.append(reserve());
    for (qsizetype i = 0; i < m_elements.size(); ++i)
        elementObjects.append(reserve());
    const qsizetype structRoot = reserve();

    QByteArray kids, parentTree;
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        const Page &page = m_pages[i];
        const QByteArray content = add(stream(page.content));
        QByteArray fonts;
        for (const auto &[font, part] : page.fonts) {
            const QByteArray name = resourceName(font, part);
            fonts += '/' + name + ' ' + fontRefs.value(name) + ' ';
        }
        objects[pageObjects[i]] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + num(page.width) +
                                  ' ' + num(page.height) + "] /Resources << /Font << " + fonts +
                                  ">> >> /Contents " + content + " /StructParents " +
                                  QByteArray::number(i) + " /Tabs /S >>";
        kids += ref(pageObjects[i]) + ' ';
        QByteArray owners;
        for (int element : page.owners)
            owners += ref(elementObjects[element]) + ' ';
        parentTree += QByteArray::number(i) + " [" + owners + "] ";
    }
    for (qsizetype e = 0; e < m_elements.size(); ++e) {
        const Element &element = m_elements[e];
        // Marked content on the element's own page (that of its first) is named by its
        // identifier alone; on another page, with that page.
        int home = -1;
        for (const Kid &kid : element.kids)
            if (kid.element < 0 && home < 0) home = kid.page;
        QByteArray &body = objects[elementObjects[e]];
        body.append("<< /S /").append(element.type).append(" /P ");
        body.append(ref(element.parent >= 0 ? elementObjects[element.parent] : structRoot));
        if (home >= 0) body.append(" /Pg ").append(ref(pageObjects[home]));
        body.append(" /K [");
        for (const Kid &kid : element.kids) {
            if (kid.element >= 0) {
                body.append(ref(elementObjects[kid.element]));
            } else if (kid.page == home) {
                appendNumber(body, kid.mcid);
            } else {
                body.append("<< /Type /MCR /Pg ").append(ref(pageObjects[kid.page]));
                body.append(" /MCID ");
                appendNumber(body, kid.mcid);
                body.append(" >>");
            }
            body.append(' ');
        }
        body.append(']');
        if (!element.attributes.isEmpty())
            body.append(" /A << ").append(element.attributes).append(" >>");
        body.append(" >>");
    }
    QByteArray roots;
    for (qsizetype e = 0; e < m_elements.size(); ++e)
        if (m_elements[e].parent < 0) roots += ref(elementObjects[e]) + ' ';
    const QByteArray tree = add("<< /Nums [" + parentTree + "] >>");
    objects[structRoot] = "<< /Type /StructTreeRoot /K [" + roots + "] /ParentTree " + tree +
                          " /ParentTreeNextKey " + QByteArray::number(m_pages.size()) + " >>";
    const QByteArray xmp =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
        "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">"
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
        title.toHtmlEscaped().toUtf8() +
        "</rdf:li></rdf:Alt></dc:title><dc:language><rdf:Bag><rdf:li>en-CA</rdf:li></rdf:Bag>"
        "</dc:language><xmp:CreatorTool>" +
        creator.toHtmlEscaped().toUtf8() +
        "</xmp:CreatorTool></rdf:Description></rdf:RDF></x:xmpmeta>\n<?xpacket end=\"r\"?>";
    // Readers that check for a PDF/UA claim read the metadata as it stands: not deflated.
    const QByteArray metadata =
        add("<< /Type /Metadata /Subtype /XML /Length " + QByteArray::number(xmp.size()) +
            " >>\nstream\n" + xmp + "\nendstream");
    objects[0] = "<< /Type /Catalog /Pages 2 0 R /MarkInfo << /Marked true >> /StructTreeRoot " +
                 ref(structRoot) +
                 " /Lang (en-CA) /ViewerPreferences << /DisplayDocTitle true >>"
                 " /Metadata " +
                 metadata + " >>";
    objects[1] =
        "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(m_pages.size()) + " >>";
    objects[2] = "<< /Title " + textString(title) + " /Creator " + textString(creator) + " >>";

    return serialized(objects);
}

// The file: streams as objects of their own, everything else packed into one deflated
// object stream (the structure tree alone is hundreds of small objects), and a
// cross-reference stream that finds both.
QByteArray PdfWriter::serialized(const QList<QByteArray> &objects) {
    QByteArray pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
    const qsizetype packedNumber = objects.size() + 1, xrefNumber = objects.size() + 2;
    QList<qsizetype> offsets(objects.size(), -1), indexInPack(objects.size(), -1);
    QByteArray table, bodies;
    qsizetype packed = 0;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (objects[i].contains("\nstream\n")) {
            offsets[i] = pdf.size();
            pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        } else {
            indexInPack[i] = packed++;
            appendNumber(table, qreal(i + 1));
            table.append(' ');
            appendNumber(table, qreal(bodies.size()));
            table.append(' ');
            bodies.append(objects[i]).append('\n');
        }
    }
    const qsizetype packOffset = pdf.size();
    pdf += QByteArray::number(packedNumber) + " 0 obj\n" +
           stream(table + bodies, " /Type /ObjStm /N " + QByteArray::number(packed) + " /First " +
                                      QByteArray::number(table.size())) +
           "\nendobj\n";

    // One entry per object: its type, then where it is (offset, or object stream and
    // index). The index takes four bytes once there are more objects than two can count.
    const int indexBytes = packed > 0xFFFF ? 4 : 2;
    QByteArray entries;
    const auto entry = [&entries, indexBytes](int type, quint32 field, quint32 index) {
        entries.append(char(type));
        for (int shift = 24; shift >= 0; shift -= 8)
            entries.append(char(field >> shift));
        for (int shift = 8 * (indexBytes - 1); shift >= 0; shift -= 8)
            entries.append(char(index >> shift));
    };
    entry(0, 0, 0xFFFF);
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (offsets[i] >= 0)
            entry(1, quint32(offsets[i]), 0);
        else
            entry(2, quint32(packedNumber), quint32(indexInPack[i]));
    }
    entry(1, quint32(packOffset), 0);
    const qsizetype xrefOffset = pdf.size();
    entry(1, quint32(xrefOffset), 0);
    const QByteArray id = QCryptographicHash::hash(pdf, QCryptographicHash::Md5).toHex();
    pdf += QByteArray::number(xrefNumber) + " 0 obj\n" +
           stream(entries, " /Type /XRef /Size " + QByteArray::number(xrefNumber + 1) +
                               " /W [1 4 " + QByteArray::number(indexBytes) +
                               "] /Root 1 0 R /Info 3 0 R /ID [<" + id + "> <" + id + ">]") +
           "\nendobj\nstartxref\n" + QByteArray::number(xrefOffset) + "\n%%EOF\n";
    return pdf;
}

} // namespace StubPDF
