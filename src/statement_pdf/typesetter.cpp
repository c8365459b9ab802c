#include "statement_pdf/typesetter.h"

#include "statement_pdf/fonts.h"
#include "statement_pdf/glyph_clusters.h"
#include "statement_pdf/pdf_writer.h"

#include <QFontMetricsF>
#include <QGlyphRun>

#include <QTextOption>
#include <algorithm>

namespace StubPDF {

namespace {

constexpr qreal lineSpacingAdjustment = 2.0;

// Every character that ends a line ends it the way a line break does; each stays one
// UTF-16 unit, so positions in the text keep their meaning.
QString withLineBreaks(QString text) {
    for (QChar &c : text)
        if (Typesetter::isLineBreak(c)) c = QChar::LineSeparator;
    return text;
}

} // namespace

bool Typesetter::isLineBreak(QChar c) {
    return c == u'\n' || c == u'\v' || c == u'\f' || c == QChar(0x85) ||
           c == QChar::ParagraphSeparator;
}

Typesetter::Typesetter(const QString &text, const QFont &font, QPaintDevice *device, qreal width)
    : m_layout(withLineBreaks(text), font, device) {
    // Lines are laid out flush left; draw() places them for the wanted alignment, so
    // one layout serves both measuring and drawing.
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout.setTextOption(option);
    m_layout.setCacheEnabled(true);

    constexpr qreal k = unitsPerPoint;
    qreal top = 0;
    m_layout.beginLayout();
    for (QTextLine line = m_layout.createLine(); line.isValid(); line = m_layout.createLine()) {
        line.setLineWidth(width * k);
        // Every line stays at the top: Qt keeps positions in 26.6 fixed point, which
        // runs out about 24,000 lines into a long note at this resolution. draw()
        // places each line itself.
        line.setPosition(QPointF(0, 0));
        const qreal bottom = top + (line.ascent() + line.descent()) / k;
        // The width up to the last visible character: trailing spaces must not push a
        // right-aligned line off its edge.
        qsizetype end = line.textStart() + line.textLength();
        while (end > line.textStart() && m_layout.text().at(end - 1).isSpace())
            --end;
        const qreal visible = line.cursorToX(int(end)) - line.cursorToX(line.textStart());
        m_lines.append({line.textStart(), line.textLength(), top, bottom, visible / k});
        top = bottom + qMax<qreal>(line.leading(), 0) / k + lineSpacingAdjustment;
    }
    m_layout.endLayout();
    const QFontMetricsF metrics(font, device);
    m_emptyLine = (metrics.ascent() + metrics.descent() + qMax<qreal>(metrics.leading(), 0)) / k +
                  lineSpacingAdjustment;
}

qreal Typesetter::height() const {
    if (m_lines.isEmpty()) return 0;
    return m_lines.last().bottom - m_lines.first().top;
}

qreal Typesetter::height(qsizetype from, qsizetype count) const {
    const qsizetype first = firstLineAt(from);
    qsizetype last = first;
    while (last + 1 < m_lines.size() && m_lines[last + 1].start < from + count)
        ++last;
    if (first >= m_lines.size()) return 0;
    return m_lines[last].bottom - m_lines[first].top;
}

qsizetype Typesetter::firstLineAt(qsizetype from) const {
    // Lines follow each other through the text: a search, not a scan, keeps pouring long
    // notes into pages linear in their length.
    const auto it = std::partition_point(m_lines.begin(), m_lines.end(), [from](const Line &l) {
        return l.start + l.length <= from && l.start < from;
    });
    return it - m_lines.begin();
}

const Typesetter::Drawn &Typesetter::glyphsOf(qsizetype line) const {
    if (m_drawn.size() < m_lines.size()) m_drawn.resize(m_lines.size());
    Drawn &drawn = m_drawn[line];
    if (!drawn.done) {
        const QTextLine textLine = m_layout.lineAt(int(line));
        drawn.runs = textLine.glyphRuns();
        drawn.clusters = glyphClusters(textLine, drawn.runs, m_layout.text());
        drawn.done = true;
    }
    return drawn;
}

qsizetype Typesetter::fit(qsizetype from, qreal boxHeight) const {
    const qsizetype first = firstLineAt(from);
    if (first >= m_lines.size()) return 0;
    const qreal origin = m_lines[first].top;
    qsizetype end = from;
    for (qsizetype i = first; i < m_lines.size(); ++i) {
        if (m_lines[i].bottom - origin > boxHeight) break;
        end = m_lines[i].start + m_lines[i].length;
    }
    return end - from;
}

void Typesetter::draw(PdfWriter &pdf, const QRectF &box, Qt::Alignment alignment, qreal grey,
                      qsizetype from, const std::function<void(qsizetype)> &beforeLine) const {
    const qsizetype first = firstLineAt(from);
    if (first >= m_lines.size()) return;
    const qreal origin = m_lines[first].top;
    for (qsizetype i = first; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.bottom - origin > box.height()) break;
        const qreal indent = alignment & Qt::AlignRight ? box.width() - line.width : 0;
        if (beforeLine) beforeLine(line.start);
        const Drawn &drawn = glyphsOf(i);
        for (qsizetype r = 0; r < drawn.runs.size(); ++r)
            pdf.glyphs(drawn.runs[r], QPointF(box.x() + indent, box.y() + line.top - origin),
                       1 / unitsPerPoint, grey, drawn.clusters[r]);
    }
}

} // namespace StubPDF
