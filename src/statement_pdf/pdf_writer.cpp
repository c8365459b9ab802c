#include "statement_pdf/pdf_writer.h"

#include "statement_pdf/big_endian.h"
#include "statement_pdf/font_subset.h"

#include <QCryptographicHash>
#include <QMutex>

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

QByteArray postScriptName(const QRawFont &raw) {
    QByteArray name;
    for (QChar c : raw.familyName() + u'-' + raw.styleName())
        if (c.unicode() > 0x20 && c.unicode() < 0x7F &&
            !QByteArray("()<>[]{}/%#").contains(char(c.unicode())))
            name.append(char(c.unicode()));
    return name.isEmpty() ? QByteArray("Font") : name;
}

QByteArray toUnicode(const QHash<quint32, QString> &text) {
    QList<quint32> cids = text.keys();
    std::sort(cids.begin(), cids.end());
    QList<QByteArray> pairs;
    for (quint32 g : cids) {
        const QString shown = text.value(g);
        QByteArray utf16;
        for (QChar c : shown)
            utf16 += hex4(c.unicode());
        pairs.append('<' + hex4(g) + "> <" + utf16 + '>');
    }
    QByteArray cmap = "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
                      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n";
    for (qsizetype i = 0; i < pairs.size(); i += 100) {
        const QList<QByteArray> block = pairs.mid(i, 100);
        cmap += QByteArray::number(block.size()) + " beginbfchar\n";
        for (const QByteArray &p : block)
            cmap += p + '\n';
        cmap += "endbfchar\n";
    }
    cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
    return cmap;
}

// The widths of identifiers 0, 1, 2 …: [0 [w w w …]].
QByteArray widthArray(const QList<qreal> &widths) {
    QByteArray w = "[0 [";
    for (qsizetype i = 0; i < widths.size(); ++i)
        w += (i ? " " : "") + num(widths[i]);
    return w + "]]";
}

// The embedded form of a font subset, kept between documents: the live preview renders
// nearly the same statement again and again, with the same glyphs.
struct EmbeddedSubset {
    std::optional<FontSubset> subset; // its file is dropped once deflated
    QByteArray fileStream;            // the deflated file as a stream object's body
};

EmbeddedSubset embedded(const QRawFont &raw, const QByteArray &name, const QList<quint32> &glyphs) {
    static QMutex mutex;
    static QHash<QByteArray, EmbeddedSubset> kept;
    // The head table tells two fonts of the same name apart (revision, checksum, dates).
    const QByteArray key = name + raw.fontTable("head").left(54) +
                           QByteArray(reinterpret_cast<const char *>(glyphs.constData()),
                                      glyphs.size() * qsizetype(sizeof(quint32)));
    {
        const QMutexLocker locked(&mutex);
        const auto it = kept.constFind(key);
        if (it != kept.constEnd()) return *it;
    }
    EmbeddedSubset made{subsetFont(raw, glyphs), {}};
    if (made.subset) {
        made.fileStream = stream(made.subset->file,
                                 " /Length1 " + QByteArray::number(made.subset->file.size()), 9);
        made.subset->file.clear();
    }
    const QMutexLocker locked(&mutex);
    if (kept.size() >= 64) kept.clear();
    kept.insert(key, made);
    return made;
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

void PdfWriter::openMarked() {
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
    page.content.append(">> BDC\n");
}

void PdfWriter::closeMarked() {
    m_pages.last().content.append("EMC\n");
}

// The advance in 1/1000 em from the font's own metrics: what the width table will say, so
// that a viewer places each glyph where the layout did.
qreal PdfWriter::Font::advance(quint32 glyph) const {
    return BigEndian::u16(advances, 4 * qsizetype(std::min<quint32>(glyph, metricsCount - 1u))) *
           perUnit;
}

quint32 PdfWriter::Font::cid(quint32 glyph) {
    auto it = cids.constFind(glyph);
    if (it != cids.constEnd()) return *it;
    glyphs.append(glyph);
    return *cids.insert(glyph, quint32(glyphs.size() - 1));
}

int PdfWriter::fontFor(const QRawFont &raw) {
    const QString key = raw.familyName() + u'|' + raw.styleName() + u'|' +
                        QString::number(int(raw.weight())) + u'|' + QString::number(raw.style());
    auto it = m_fontIndex.constFind(key);
    if (it != m_fontIndex.constEnd()) return *it;
    Font font{raw, {}, {}, {}, raw.fontTable("hmtx"), 1, 1};
    font.cid(0); // the missing-glyph box comes first in every subset
    font.metricsCount = std::max<quint16>(1, BigEndian::u16(raw.fontTable("hhea"), 34));
    font.perUnit = 1000.0 / std::max<int>(16, BigEndian::u16(raw.fontTable("head"), 18));
    m_fonts.append(font);
    return *m_fontIndex.insert(key, int(m_fonts.size() - 1));
}

void PdfWriter::glyphs(const QGlyphRun &run, const QPointF &origin, qreal scale, qreal grey,
                       QStringView text) {
    const QList<quint32> ids = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    if (ids.isEmpty() || m_pages.isEmpty()) return;
    const QRawFont raw = run.rawFont();
    const int index = fontFor(raw);
    Font &font = m_fonts[index];
    Page &page = m_pages.last();
    if (!page.fonts.contains(index)) page.fonts.append(index);
    const qreal size = raw.pixelSize() * scale;
    QByteArray &out = page.content;
    openMarked();
    out.append("BT /F");
    appendNumber(out, index + 1);
    out.append(' ');
    appendNumber(out, size);
    out.append(" Tf ");
    appendNumber(out, grey);
    out.append(" g\n");
    qreal penX = 0, penY = 0;
    bool open = false, inString = false;
    bool unmapped = false;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const qreal x = origin.x() + positions[i].x() * scale;
        const qreal y = page.height - (origin.y() + positions[i].y() * scale);
        if (!open || std::abs(y - penY) > 0.0005) {
            if (open) out.append(inString ? "> ] TJ\n" : "] TJ\n");
            out.append("1 0 0 1 ");
            appendNumber(out, x);
            out.append(' ');
            appendNumber(out, y);
            out.append(" Tm [");
            open = true;
            inString = false;
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
        const quint32 cid = font.cid(ids[i]);
        appendHex4(out, cid);
        unmapped = unmapped || !font.text.contains(cid);
        penX = x + font.advance(ids[i]) * size / 1000;
    }
    out.append(inString ? "> ] TJ ET\n" : "] TJ ET\n");
    closeMarked();

    // Which character each new glyph shows, for copying: the font's own map of the text.
    for (qsizetype i = 0; unmapped && i < text.size();) {
        const int width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        quint32 glyph = 0;
        int count = 1;
        if (raw.glyphIndexesForChars(text.data() + i, width, &glyph, &count) && glyph) {
            const auto cid = font.cids.constFind(glyph);
            if (cid != font.cids.constEnd() && !font.text.contains(*cid))
                font.text.insert(*cid, text.mid(i, width).toString());
        }
        i += width;
    }
}

QByteArray PdfWriter::finish(const QString &title, const QString &creator) {
    // Objects 1 to 3 are the catalog, the page tree and the document information;
    // pages and fonts follow.
    QList<QByteArray> objects(3);
    const auto add = [&objects](const QByteArray &body) {
        objects.append(body);
        return QByteArray::number(objects.size()) + " 0 R";
    };

    QList<QByteArray> fontRefs;
    for (qsizetype f = 0; f < m_fonts.size(); ++f) {
        const Font &font = m_fonts[f];
        const QByteArray name = '/' + subsetTag(font.glyphs) + postScriptName(font.raw);
        const EmbeddedSubset embedding = embedded(font.raw, name, font.glyphs);
        const std::optional<FontSubset> &subset = embedding.subset;
        QByteArray descriptor = "<< /Type /FontDescriptor /FontName " + name + " /Flags 32";
        if (subset) {
            const QByteArray file = add(embedding.fileStream);
            descriptor += " /FontBBox [" + num(subset->boundingBox.value(0)) + ' ' +
                          num(subset->boundingBox.value(1)) + ' ' +
                          num(subset->boundingBox.value(2)) + ' ' +
                          num(subset->boundingBox.value(3)) + "] /ItalicAngle 0 /Ascent " +
                          num(subset->ascent) + " /Descent " + num(subset->descent) +
                          " /CapHeight " + num(subset->ascent) + " /StemV 80 /FontFile2 " + file;
        }
        descriptor += " >>";
        const QByteArray descriptorRef = add(descriptor);
        const QByteArray widths = subset ? widthArray(subset->widths) : QByteArrayLiteral("[]");
        const QByteArray cidFont =
            add("<< /Type /Font /Subtype /CIDFontType2 /BaseFont " + name +
                " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                " /FontDescriptor " +
                descriptorRef + " /W " + widths + " /CIDToGIDMap /Identity >>");
        const QByteArray unicode = add(stream(toUnicode(font.text)));
        const QByteArray type0 = add("<< /Type /Font /Subtype /Type0 /BaseFont " + name +
                                     " /Encoding /Identity-H /DescendantFonts [" + cidFont +
                                     "] /ToUnicode " + unicode + " >>");
        fontRefs.append(type0);
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
        for (int f : page.fonts)
            fonts += "/F" + QByteArray::number(f + 1) + ' ' + fontRefs[f] + ' ';
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

    // One entry of five bytes per object: type, then where it is (offset, or object
    // stream and index).
    QByteArray entries;
    const auto entry = [&entries](int type, quint32 field, quint16 index) {
        entries.append(char(type));
        for (int shift = 24; shift >= 0; shift -= 8)
            entries.append(char(field >> shift));
        entries.append(char(index >> 8)).append(char(index));
    };
    entry(0, 0, 0xFFFF);
    for (qsizetype i = 0; i < objects.size(); ++i) {
        if (offsets[i] >= 0)
            entry(1, quint32(offsets[i]), 0);
        else
            entry(2, quint32(packedNumber), quint16(indexInPack[i]));
    }
    entry(1, quint32(packOffset), 0);
    const qsizetype xrefOffset = pdf.size();
    entry(1, quint32(xrefOffset), 0);
    const QByteArray id = QCryptographicHash::hash(pdf, QCryptographicHash::Md5).toHex();
    pdf +=
        QByteArray::number(xrefNumber) + " 0 obj\n" +
        stream(entries, " /Type /XRef /Size " + QByteArray::number(xrefNumber + 1) +
                            " /W [1 4 2] /Root 1 0 R /Info 3 0 R /ID [<" + id + "> <" + id + ">]") +
        "\nendobj\nstartxref\n" + QByteArray::number(xrefOffset) + "\n%%EOF\n";
    return pdf;
}

} // namespace StubPDF
