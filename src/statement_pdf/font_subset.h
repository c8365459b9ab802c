#pragma once

#include <QByteArray>
#include <QList>
#include <QRawFont>

#include <optional>

namespace StubPDF {

// A TrueType font cut down to the glyphs a document draws, for embedding, renumbered in
// the order given (the first should be glyph 0, the missing-glyph box). Glyphs that
// composite ones are built from come along after them.
struct FontSubset {
    QByteArray file;     // head, hhea, maxp, hmtx, loca and glyf
    QList<qreal> widths; // advance of each new glyph, in 1/1000 em
    qreal ascent = 0;    // in 1/1000 em, as the font's hhea table gives them
    qreal descent = 0;
    QList<qreal> boundingBox; // xMin, yMin, xMax, yMax in 1/1000 em
};

// `glyphs` are the font's own indexes; new glyph i is glyphs[i]. Nothing when the font
// has no TrueType outlines to cut (a CFF font, say).
std::optional<FontSubset> subsetFont(const QRawFont &font, const QList<quint32> &glyphs);

} // namespace StubPDF
