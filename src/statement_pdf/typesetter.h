#pragma once

#include "statement_pdf/pdf_writer.h"

#include <QFont>
#include <QGlyphRun>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTextLayout>

#include <functional>

class QPaintDevice;

namespace StubPDF {

// Lays a text out once at a fixed width, wrapping at word boundaries (inside a word
// when one is wider than the line), with 2 points of extra space between lines.
// Frames are then cut from it: the lines from a position that fit in a box height.
// Its interface is in points; the layout itself is in device units (unitsPerPoint).
class Typesetter {
public:
    Typesetter(const QString &text, const QFont &font, QPaintDevice *device, qreal width);

    // Ends a line as "\n" does: line feed, vertical tab, form feed, next line, paragraph
    // separator.
    static bool isLineBreak(QChar c);

    qsizetype lineCount() const { return m_lines.size(); }
    // Natural width of the first line, without trailing spaces.
    qreal firstLineWidth() const { return m_lines.isEmpty() ? 0 : m_lines.first().width; }

    // Height of all lines from the top of the first to the bottom of the last.
    qreal height() const;

    // Height of the lines holding the code units [from, from + count).
    qreal height(qsizetype from, qsizetype count) const;

    // What one more, empty line adds below the last: its height and the spacing before it.
    qreal emptyLineHeight() const { return m_emptyLine; }

    // UTF-16 code units shown by a frame starting at `from` in a box of `boxHeight`.
    qsizetype fit(qsizetype from, qreal boxHeight) const;

    // Draws that frame in `grey` with its top at the box top, each line flush left or
    // right.
    // `beforeLine` hears the text position of each line just before it is drawn.
    void draw(PdfWriter &pdf, const QRectF &box, Qt::Alignment alignment, qreal grey,
              qsizetype from = 0, const std::function<void(qsizetype)> &beforeLine = nullptr) const;

private:
    struct Line {
        qsizetype start;
        qsizetype length;
        qreal top;
        qreal bottom; // top + ascent + descent
        qreal width;  // natural width, without trailing spaces
    };
    qsizetype firstLineAt(qsizetype from) const;
    // A line's glyph runs and what text their glyphs show, worked out when the line is
    // first drawn and kept with the layout.
    struct Drawn {
        bool done = false;
        QList<QGlyphRun> runs;
        QList<QList<GlyphCluster>> clusters;
    };
    const Drawn &glyphsOf(qsizetype line) const;

    QTextLayout m_layout;
    QList<Line> m_lines;
    qreal m_emptyLine = 0;
    mutable QList<Drawn> m_drawn;
};

} // namespace StubPDF
