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
class PdfWriter {
public:
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
    };
    int fontFor(const QRawFont &raw);

    QList<Font> m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<Page> m_pages;
};

} // namespace StubPDF
