#pragma once

#include <QByteArray>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>

#include "statement_pdf/font_embedding.h"

namespace StubPDF {

// The glyphs of a run that together show one piece of the text (a character, a
// ligature's letters, a syllable whose marks the font reordered), in the run's order.
struct GlyphCluster {
    qsizetype glyphs = 1;
    QString text;      // empty: the glyphs show nothing a reader should say
    bool drawn = true; // false: the text says more than the glyphs draw (a space the
                       // line broke at), which only /ActualText can carry
};

// Writes the statement's PDF itself: pages of grey fills, grey lines and glyphs laid out
// by Qt, every font embedded as a subset of the glyphs drawn (Type0 with TrueType or CFF
// outlines; colour glyphs as pictures in a Type3 font), with widths and a ToUnicode map
// of what was drawn, and /ActualText where a map cannot say it; streams deflated.
// Coordinates are points from the page's top-left corner.
//
// The file is a Tagged PDF: text drawn while a structure element is open belongs to it,
// in reading order; text drawn between beginArtifact() and endArtifact(), or outside any
// element, and every fill and line, is an artifact that assistive technology skips.
class PdfWriter {
public:
    explicit PdfWriter(FontCache &cache = FontCache::shared()) : m_cache(cache) {}

    // Opens a structure element (Document, H1, Table, TR, TH, TD, P …) inside the one
    // open now; `attributes` is a PDF dictionary body such as "/O /Table /Scope /Row".
    void beginElement(const QByteArray &type, const QByteArray &attributes = QByteArray());
    void endElement();
    void beginArtifact() { ++m_artifacts; }
    void endArtifact() { --m_artifacts; }

    void beginPage(qreal width, qreal height);
    void fillRect(const QRectF &rect, qreal grey);
    void line(const QPointF &from, const QPointF &to, qreal width, qreal grey);
    // The glyphs of `run` with their layout origin at `origin`; `scale` turns the run's
    // units into points. `clusters` cover the run's glyphs in order and say what text
    // they show, for copying, search and screen readers.
    void glyphs(const QGlyphRun &run, const QPointF &origin, qreal scale, qreal grey,
                const QList<GlyphCluster> &clusters);

    // The finished file, with its title and creator.
    QByteArray finish(const QString &title, const QString &creator);

private:
    // A font as the document uses it: its glyphs numbered in the order first drawn (the
    // codes of the content), code 0 being the missing-glyph box. Colour fonts are drawn
    // as pictures, 256 codes to a PDF font.
    struct Font {
        QRawFont raw;
        bool colour = false;
        QList<quint32> glyphs;         // the font's glyph index of each code
        QHash<quint32, quint32> codes; // and back
        QHash<quint32, QString> text;  // what each code shows
        QByteArray advances;           // the font's hmtx table
        quint16 metricsCount = 1;      // its number of full entries
        quint16 unitsPerEm = 1000;
        qreal advance(quint32 glyph) const; // in font units
        quint32 code(quint32 glyph);
        // Puts `shown`, drawn by glyphs `ids` with `codes`, into the ToUnicode map;
        // false when the map cannot say it and /ActualText must.
        bool say(const quint32 *codes, const quint32 *ids, qsizetype count, const QString &shown);
    };
    struct Page {
        qreal width = 0;
        qreal height = 0;
        QByteArray content;
        QList<std::pair<int, int>> fonts; // fonts and parts used
        QList<int> owners;                // the element each marked-content identifier belongs to
    };
    struct Kid {
        int element = -1; // a child element, or
        int page = -1;    // marked content on a page
        int mcid = -1;
    };
    struct Element {
        QByteArray type;
        QByteArray attributes;
        int parent = -1;
        QList<Kid> kids;
    };
    int fontFor(const QRawFont &raw);
    // The resource name of a PDF font: part `part` of `font` (colour fonts have several).
    static QByteArray resourceName(int font, int part);
    void selectFont(int font, int part, qreal size);
    QByteArray keptStream(const QByteArray &data);
    QByteArray outlineFont(const Font &font, QList<QByteArray> &objects);
    QList<QByteArray> colourFonts(const Font &font, QList<QByteArray> &objects);
    static QByteArray serialized(const QList<QByteArray> &objects);
    // Opens what the next drawing belongs to, in language `lang` when it is not the
    // document's; closeMarked() closes it.
    void openMarked(const QByteArray &lang = QByteArray());
    void closeMarked();

    FontCache &m_cache;
    QList<Font> m_fonts;
    QHash<QByteArray, int> m_fontIndex;
    QHash<QRawFont, int> m_rawIndex;
    QRawFont m_boxFace; // draws what no installed font has: its missing-glyph box
    QList<Page> m_pages;
    QList<Element> m_elements;
    QList<int> m_open; // the element path from the root
    int m_artifacts = 0;
};

} // namespace StubPDF
