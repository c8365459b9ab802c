#include "statement_pdf/font_subset.h"

#include "statement_pdf/big_endian.h"

#include <QHash>

#include <algorithm>

namespace StubPDF {

namespace {

using namespace BigEndian;
void append16(QByteArray &b, quint16 v) {
    b.append(char(v >> 8)).append(char(v));
}
void append32(QByteArray &b, quint32 v) {
    append16(b, quint16(v >> 16));
    append16(b, quint16(v));
}

constexpr quint16 wordArguments = 0x0001, scale = 0x0008, moreComponents = 0x0020, xyScale = 0x0040,
                  twoByTwo = 0x0080, haveInstructions = 0x0100;

// Calls `visit` with the offset of each component's glyph index in a composite glyph.
template <typename Visit> void forEachComponent(const QByteArray &glyph, Visit visit) {
    if (glyph.size() < 10 || s16(glyph, 0) >= 0) return;
    qsizetype at = 10;
    quint16 flags = 0;
    do {
        if (at + 4 > glyph.size()) return;
        flags = u16(glyph, at);
        visit(at + 2);
        at += 4 + ((flags & wordArguments) ? 4 : 2);
        at += (flags & scale) ? 2 : (flags & xyScale) ? 4 : (flags & twoByTwo) ? 8 : 0;
    } while (flags & moreComponents);
}

// The glyph without its hinting instructions: the subset carries none of the programs
// they run in, and outlines alone render the same at print and screen sizes.
QByteArray withoutInstructions(const QByteArray &glyph) {
    if (glyph.size() < 12) return glyph;
    const qint16 contours = s16(glyph, 0);
    if (contours >= 0) {
        const qsizetype lengthAt = 10 + 2 * qsizetype(contours);
        const qsizetype length = u16(glyph, lengthAt);
        if (lengthAt + 2 + length > glyph.size()) return glyph;
        QByteArray stripped = glyph.left(lengthAt + 2);
        put16(stripped, lengthAt, 0);
        return stripped + glyph.mid(lengthAt + 2 + length);
    }
    QByteArray stripped = glyph;
    qsizetype end = glyph.size();
    forEachComponent(glyph, [&](qsizetype at) {
        const qsizetype flagsAt = at - 2;
        const quint16 flags = u16(stripped, flagsAt);
        put16(stripped, flagsAt, quint16(flags & ~haveInstructions));
        qsizetype next = at + 2 + ((flags & wordArguments) ? 4 : 2);
        next += (flags & scale) ? 2 : (flags & xyScale) ? 4 : (flags & twoByTwo) ? 8 : 0;
        end = next; // the instructions, if any, follow the last component
    });
    return stripped.left(end);
}

} // namespace

std::optional<FontSubset> subsetFont(const QRawFont &font, const QList<quint32> &glyphs) {
    const QByteArray head = font.fontTable("head"), hhea = font.fontTable("hhea"),
                     maxp = font.fontTable("maxp"), hmtx = font.fontTable("hmtx"),
                     loca = font.fontTable("loca"), glyf = font.fontTable("glyf");
    if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || hmtx.isEmpty() ||
        loca.isEmpty() || glyf.isEmpty())
        return std::nullopt;
    const quint32 glyphCount = u16(maxp, 4);
    const bool longOffsets = s16(head, 50) == 1;
    const auto glyphData = [&](quint32 g) -> QByteArray {
        if (g >= glyphCount) return {};
        const quint32 start = longOffsets ? u32(loca, 4 * g) : 2u * u16(loca, 2 * g);
        const quint32 end = longOffsets ? u32(loca, 4 * (g + 1)) : 2u * u16(loca, 2 * (g + 1));
        if (end <= start || end > quint32(glyf.size())) return {};
        return glyf.mid(start, end - start);
    };

    // The glyphs asked for, then what composites among them are built from.
    QList<quint32> order;
    QHash<quint32, quint32> newIndex;
    const auto keep = [&](quint32 g) {
        if (g >= glyphCount || newIndex.contains(g)) return;
        newIndex.insert(g, quint32(order.size()));
        order.append(g);
    };
    for (quint32 g : glyphs)
        keep(g);
    if (order.isEmpty()) keep(0);
    for (qsizetype i = 0; i < order.size(); ++i) {
        const QByteArray glyph = glyphData(order[i]);
        forEachComponent(glyph, [&](qsizetype at) { keep(u16(glyph, at)); });
    }
    const quint32 count = quint32(order.size());

    const int unitsPerEm = std::max<int>(16, u16(head, 18));
    const quint16 metricsCount = std::max<quint16>(1, u16(hhea, 34));
    const auto advance = [&](quint32 g) {
        return u16(hmtx, 4 * std::min<quint32>(g, metricsCount - 1));
    };
    const auto leftBearing = [&](quint32 g) {
        return g < metricsCount ? s16(hmtx, 4 * g + 2)
                                : s16(hmtx, 4 * metricsCount + 2 * (g - metricsCount));
    };

    QByteArray newGlyf, newLoca(4 * (count + 1), Qt::Uninitialized),
        newHmtx(4 * count, Qt::Uninitialized);
    for (quint32 i = 0; i < count; ++i) {
        put32(newLoca, 4 * i, quint32(newGlyf.size()));
        QByteArray data = withoutInstructions(glyphData(order[i]));
        forEachComponent(
            data, [&](qsizetype at) { put16(data, at, quint16(newIndex.value(u16(data, at)))); });
        newGlyf += data;
        newGlyf.append((4 - newGlyf.size() % 4) % 4, '\0');
        put16(newHmtx, 4 * i, advance(order[i]));
        put16(newHmtx, 4 * i + 2, quint16(leftBearing(order[i])));
    }
    put32(newLoca, 4 * count, quint32(newGlyf.size()));
    QByteArray newHead = head.left(54), newHhea = hhea.left(36), newMaxp = maxp;
    put32(newHead, 8, 0);  // checkSumAdjustment, set below
    put16(newHead, 50, 1); // long loca offsets
    put16(newHhea, 34, quint16(count));
    put16(newMaxp, 4, quint16(count));

    // Tables in tag order, each on a four-byte boundary.
    const QList<std::pair<const char *, QByteArray>> tables = {
        {"glyf", newGlyf}, {"head", newHead}, {"hhea", newHhea},
        {"hmtx", newHmtx}, {"loca", newLoca}, {"maxp", newMaxp}};
    QByteArray file;
    append32(file, 0x00010000);
    append16(file, quint16(tables.size()));
    append16(file, 64); // searchRange: 16 × the largest power of two ≤ 6
    append16(file, 2);  // entrySelector
    append16(file, quint16(tables.size() * 16 - 64));
    quint32 offset = quint32(12 + 16 * tables.size());
    qsizetype headOffset = 0;
    QByteArray body;
    for (const auto &[tag, data] : tables) {
        file.append(tag, 4);
        append32(file, checksum(data));
        append32(file, offset);
        append32(file, quint32(data.size()));
        if (qstrcmp(tag, "head") == 0) headOffset = 12 + 16 * tables.size() + body.size();
        body += data;
        while (body.size() % 4)
            body.append('\0');
        offset = quint32(12 + 16 * tables.size() + body.size());
    }
    file += body;
    put32(file, headOffset + 8, 0xB1B0AFBAu - checksum(file));

    FontSubset subset;
    subset.file = file;
    const qreal toThousandths = 1000.0 / unitsPerEm;
    for (quint32 g : order)
        subset.widths.append(advance(g) * toThousandths);
    subset.ascent = s16(hhea, 4) * toThousandths;
    subset.descent = s16(hhea, 6) * toThousandths;
    subset.boundingBox = {s16(head, 36) * toThousandths, s16(head, 38) * toThousandths,
                          s16(head, 40) * toThousandths, s16(head, 42) * toThousandths};
    return subset;
}

} // namespace StubPDF
