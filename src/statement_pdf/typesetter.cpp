#include "statement_pdf/typesetter.h"

#include "statement_pdf/fonts.h"

#include "statement_pdf/pdf_writer.h"

#include <QGlyphRun>
#include <QTextOption>

namespace StubPDF {

namespace {
constexpr qreal lineSpacingAdjustment = 2.0;
}

Typesetter::Typesetter(const QString &text, const QFont &font, QPaintDevice *device, qreal width)
    : m_layout(QString(text).replace(u'\n', QChar::LineSeparator), font, device) {
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
        line.setPosition(QPointF(0, top * k));
        const qreal bottom = top + (line.ascent() + line.descent()) / k;
        m_lines.append(
            {line.textStart(), line.textLength(), top, bottom, line.naturalTextWidth() / k});
        top = bottom + qMax<qreal>(line.leading(), 0) / k + lineSpacingAdjustment;
    }
    m_layout.endLayout();
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
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].start + m_lines[i].length > from || m_lines[i].start >= from) return i;
    return m_lines.size();
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
                      qsizetype from) const {
    const qsizetype first = firstLineAt(from);
    if (first >= m_lines.size()) return;
    const qreal origin = m_lines[first].top;
    const QString text = m_layout.text();
    for (qsizetype i = first; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.bottom - origin > box.height()) break;
        const qreal indent = alignment & Qt::AlignRight ? box.width() - line.width : 0;
        const QStringView shown = QStringView(text).mid(line.start, line.length);
        for (const QGlyphRun &run : m_layout.lineAt(int(i)).glyphRuns())
            pdf.glyphs(run, QPointF(box.x() + indent, box.y() - origin), 1 / unitsPerPoint, grey,
                       shown);
    }
}

} // namespace StubPDF
