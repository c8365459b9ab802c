#pragma once

#include <QByteArray>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QString>

namespace StubPDF {

// Writes the statement's PDF itself: pages of grey fills, grey lines and glyphs laid out
// by Qt, every font embedded as a subset of the glyphs drawn (Type0 / CIDFontType2 with
// Identity-H, widths and a ToUnicode map of what was drawn), streams deflated.
// Coordinates are points from the page's top-left corner.
//
// The file is a Tagged PDF: text drawn while a structure element is open belongs to it,
// in reading order; text drawn between beginArtifact() and endArtifact(), or outside any
// element, and every fill and line, is an artifact that assistive technology skips.
class PdfWriter {
public:
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
    // units into points. `text` is the text they show, for copying and search.
    void glyphs(const QGlyphRun &run, const QPointF &origin, qreal scale, qreal grey,
                QStringView text);

    // The finished file, with its title and creator.
    QByteArray finish(const QString &title, const QString &creator);

private:
    // A font as the document uses it: its glyphs numbered in the order first drawn (the
    // character identifiers of the content, and of the embedded subset), 0 being the
    // missing-glyph box.
    struct Font {
        QRawFont raw;
        QList<quint32> glyphs;        // the font's glyph index of each identifier
        QHash<quint32, quint32> cids; // and back
        QHash<quint32, QString> text; // what each identifier shows
        QByteArray advances;          // the font's hmtx table
        quint16 metricsCount = 1;     // its number of full entries
        qreal perUnit = 1;            // font units to 1/1000 em
        qreal advance(quint32 glyph) const;
        quint32 cid(quint32 glyph);
    };
    struct Page {
        qreal width = 0;
        qreal height = 0;
        QByteArray content;
        QList<int> fonts;
        QList<int> owners; // the element each marked-content identifier belongs to
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
    static QByteArray serialized(const QList<QByteArray> &objects);
    // Opens what the next drawing belongs to; closeMarked() closes it.
    void openMarked();
    void closeMarked();

    QList<Font> m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<Page> m_pages;
    QList<Element> m_elements;
    QList<int> m_open; // the element path from the root
    int m_artifacts = 0;
};

} // namespace StubPDF
