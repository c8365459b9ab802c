#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QRawFont>

#include <functional>
#include <memory>

namespace StubPDF {

// What a PDF font descriptor says of a face, in 1/1000 em.
struct FaceMetrics {
    QByteArray postScriptName; // the face's own, from its name table; ASCII
    qreal ascent = 0, descent = 0, capHeight = 0;
    qreal boundingBox[4] = {0, 0, 0, 0}; // xMin, yMin, xMax, yMax
    qreal italicAngle = 0;
    qreal stemV = 80;
    bool fixedPitch = false;
};

// A face cut down to the glyphs a document draws, by HarfBuzz's subsetter.
struct FontProgram {
    enum class Outlines { trueType, cff };
    Outlines outlines = Outlines::trueType;
    bool subset = false; // false when the whole face had to be embedded
    QByteArray deflated; // the font file (TrueType) or the bare CFF table, deflated
    qsizetype fileSize = 0;
    QList<quint32> glyphs; // for each of the document's glyphs (in drawing order), the
                           // glyph the embedded program draws it with: its new glyph id
                           // (TrueType) or its CID (CFF)
};

// Faces and subsets kept between documents: the live preview renders nearly the same
// statement after every pause in typing, with the same glyphs in the same fonts. Whoever
// renders repeatedly owns one; what it hands out stays valid while it is held.
class FontCache {
public:
    static FontCache &shared();

    // The metrics of a face (read once).
    FaceMetrics metrics(const QRawFont &font);
    // The embedded program for `glyphs` (font glyph ids, in drawing order).
    std::shared_ptr<const FontProgram> program(const QRawFont &font, const QList<quint32> &glyphs);
    // Other pieces made once and kept (deflated maps, pictures of colour glyphs), by key.
    QList<QByteArray> kept(const QByteArray &key, const std::function<QList<QByteArray>()> &make);

    // A key that tells faces apart, also two of the same name in other versions.
    static QByteArray faceKey(const QRawFont &font);

private:
    struct Face;
    std::shared_ptr<Face> face(const QRawFont &font);

    QMutex m_mutex;
    QHash<QByteArray, std::shared_ptr<Face>> m_faces;
    QHash<QByteArray, std::shared_ptr<const FontProgram>> m_programs;
    QHash<QByteArray, QList<QByteArray>> m_kept;
};

// The face's whole font file rebuilt from its tables, as Qt holds them (a face of a
// collection becomes a font of its own).
QByteArray sfntFromTables(const QRawFont &font);

// For a CID-keyed CFF font, the CID of each glyph id; empty for a name-keyed one (its
// CIDs are its glyph ids).
QList<quint32> cffGlyphCids(const QByteArray &cff);

} // namespace StubPDF
