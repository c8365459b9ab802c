#include "statement_pdf/composer.h"

#include "payroll/money.h"
#include "statement_pdf/fonts.h"
#include "statement_pdf/typesetter.h"

#include <QCoreApplication>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace StubPDF {

namespace {

constexpr qreal a4Width = 595.28;
constexpr qreal a4Height = 841.89;

// Text is drawn in this grey (0 is black, 1 white).
constexpr qreal textGrey = 0.08;

MetricsDevice &threadDevice() {
    static thread_local MetricsDevice device;
    return device;
}

// Texts laid out before on this thread, by size, weight, width and text: the live preview
// renders nearly the same statement again after every pause in typing, and most cells
// come back unchanged. Layouts are not shared between threads.
QHash<QString, std::shared_ptr<const Typesetter>> &threadLayouts() {
    static thread_local QHash<QString, std::shared_ptr<const Typesetter>> layouts;
    // The main thread's layouts go with the application, while its fonts still exist.
    static const bool cleared = (qAddPostRoutine([] { threadLayouts().clear(); }), true);
    Q_UNUSED(cleared);
    return layouts;
}

constexpr qsizetype keptLayouts = 4000;

} // namespace

Composer::Composer(const PayrollDraft &draft)
    : m_draft(draft), m_width(draft.a4 ? a4Width : 612), m_height(draft.a4 ? a4Height : 792),
      m_device(threadDevice()) {}

Composer::~Composer() = default;

QString Composer::normalised(const QString &text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(u'\r', u'\n');
    s.replace(u'\t', QStringLiteral("    "));
    return s;
}

const QFont &Composer::font(qreal size, bool bold) {
    const int key = int(std::lround(size * 100)) * 2 + (bold ? 1 : 0);
    auto it = m_fonts.find(key);
    if (it == m_fonts.end()) it = m_fonts.insert(key, statementFont(size, bold, &m_device));
    return *it;
}

void Composer::open() {
    beginPage();
}

QByteArray Composer::close() {
    endPage();
    QByteArray bytes = m_pdf.finish(QStringLiteral("Pay Stub"), QStringLiteral("Corvane Native"));
    if (bytes.isEmpty()) throw PayrollError::invalid(QStringLiteral("无法建立 PDF。"));
    return bytes;
}

void Composer::rule(qreal y, bool heavy) {
    m_pdf.line(QPointF(margin, y), QPointF(m_width - margin, y), heavy ? 1.0 : 0.5,
               heavy ? 0.1 : 0.7);
}

void Composer::beginPage() {
    if (m_page >= 1) endPage();
    m_pdf.beginPage(m_width, m_height);
    ++m_page;

    // The title is the document's heading once; on later pages, like the continuation
    // line, it only repeats for the eye.
    if (m_page == 1)
        m_pdf.beginElement("H1");
    else
        m_pdf.beginArtifact();
    drawText(QStringLiteral("PAY STUB"), 24, true, Qt::AlignLeft, {margin, 34, contentWidth(), 34});
    m_y = 82;
    if (m_page >= 2) {
        const QString line = continuationLine();
        const qreal h = textHeight(line, 9, false, contentWidth());
        drawText(line, 9, false, Qt::AlignLeft, {margin, m_y, contentWidth(), h});
        m_y += h + 14;
    }
    if (m_page == 1)
        m_pdf.endElement();
    else
        m_pdf.endArtifact();
}

QString Composer::continuationLine() const {
    return m_draft.employee + QStringLiteral("  |  ") + PayrollDraft::dateLabel(m_draft.end) +
           QStringLiteral("  |  Continued");
}

QString Composer::footer() const {
    return m_draft.currency + QStringLiteral("  |  Page ") + QString::number(m_page);
}

void Composer::endPage() {
    m_pdf.beginArtifact(); // pagination
    drawText(footer(), 8, false, Qt::AlignRight, {margin, m_height - 32, contentWidth(), 16});
    m_pdf.endArtifact();
}

void Composer::closeSection() {
    if (m_sectionTable) m_pdf.endElement();
    m_sectionTable = false;
}

void Composer::heading(const QString &title, bool table) {
    closeSection();
    m_tableTitle = title;
    m_tableHeader.reset();
    if (!fits(56)) beginPage();
    m_y += 12;
    m_pdf.beginElement("H2");
    drawText(title, 11, true, Qt::AlignLeft, {margin, m_y, contentWidth(), 20});
    m_pdf.endElement();
    m_y += 24;
    rule(m_y, true);
    if (table) m_pdf.beginElement("Table");
    m_sectionTable = table;
}

// One row of the header block's table: the label heads the row.
void Composer::meta(const QString &label, const QString &value) {
    const qreal valueWidth = m_width - 202;
    const qreal h =
        value.isEmpty() ? 22 : qMax<qreal>(22, textHeight(value, 10, false, valueWidth) + 8);
    if (!fits(h)) beginPage();
    m_pdf.beginElement("TR");
    m_pdf.beginElement("TH", "/O /Table /Scope /Row");
    drawText(label, 9, true, Qt::AlignLeft, {margin, m_y + 3, 120, h});
    m_pdf.endElement();
    m_pdf.beginElement("TD");
    drawText(value, 10, false, Qt::AlignLeft, {164, m_y + 3, valueWidth, h - 3});
    m_pdf.endElement();
    m_pdf.endElement();
    m_y += h;
}

qreal Composer::shrunkSize(const QString &text, bool bold, qreal columnWidth) {
    const QString line = normalised(text);
    const qreal room = columnWidth - 12;
    // Most cells fit at once: the layout that will draw them already tells, and it is
    // kept for drawing. Trailing spaces count in the single-line width, so those texts
    // are measured.
    if (!line.isEmpty() && !line.back().isSpace()) {
        const Typesetter &setter = typeset(text, 9.5, bold, room);
        if (setter.lineCount() == 1 && setter.firstLineWidth() <= room) return 9.5;
    }
    const auto width = [&](qreal size) {
        return QFontMetricsF(font(size, bold), &m_device).horizontalAdvance(line) / unitsPerPoint;
    };
    // The size is the largest of 9.5, 9.25 … 6.75 at which the line fits, else 6.5.
    // Widths grow with the size, nearly in proportion, so start from the proportional
    // guess and correct it by measuring, instead of measuring every step from 9.5 down.
    const qreal full = width(9.5);
    if (full <= room) return 9.5;
    qreal size = std::clamp(std::floor(9.5 * room / full * 4) / 4, 6.75, 9.25);
    while (size + 0.25 < 9.5 && width(size + 0.25) <= room)
        size += 0.25;
    while (width(size) > room) {
        if (size - 0.25 <= 6.5) return 6.5;
        size -= 0.25;
    }
    return size;
}

void Composer::row(const QStringList &cells, const QList<qreal> &ratios, bool bold, bool header) {
    if (header) m_tableHeader = std::make_pair(cells, ratios);
    const qreal base = header ? 8.5 : 9.5;
    QList<qreal> widths, sizes;
    qreal rowHeight = header ? 28 : 24;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const qreal w = contentWidth() * ratios.value(i);
        const qreal size = (header || i == 0) ? base : shrunkSize(cells[i], bold, w);
        const qreal h =
            cells[i].isEmpty() ? size + 4 + 10 : textHeight(cells[i], size, bold, w - 12) + 10;
        widths.append(w);
        sizes.append(size);
        rowHeight = qMax(rowHeight, h);
    }

    if (!fits(rowHeight)) {
        beginPage();
        // The title and heading row repeated on the new page are there for the eye: a
        // reader hears the table once.
        m_pdf.beginArtifact();
        drawText(m_tableTitle + QStringLiteral(" (CONTINUED)"), 10, true, Qt::AlignLeft,
                 {margin, m_y, contentWidth(), 20});
        m_y += 24;
        rule(m_y, true);
        if (!header && m_tableHeader) row(m_tableHeader->first, m_tableHeader->second, true, true);
        m_pdf.endArtifact();
    }

    if (header) m_pdf.fillRect(QRectF(margin, m_y, contentWidth(), rowHeight), 0.95);
    // The heading row's cells head their columns; a total row's first cell heads its row.
    const bool total = bold && !header;
    m_pdf.beginElement("TR");
    qreal edge = margin;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (header)
            m_pdf.beginElement("TH", "/O /Table /Scope /Column");
        else if (total && i == 0)
            m_pdf.beginElement("TH", "/O /Table /Scope /Row");
        else
            m_pdf.beginElement("TD");
        drawText(cells[i], sizes[i], bold, i == 0 ? Qt::AlignLeft : Qt::AlignRight,
                 {edge + 6, m_y + 6, widths[i] - 12, rowHeight - 8});
        m_pdf.endElement();
        edge += widths[i];
    }
    m_pdf.endElement();
    m_y += rowHeight;
    rule(m_y, false);
}

const Typesetter &Composer::typeset(const QString &text, qreal size, bool bold, qreal width) {
    const QString key = QString::number(size) + u'|' + QString::number(width) + u'|' +
                        QChar(bold ? u'b' : u'r') + text;
    auto &layouts = threadLayouts();
    auto it = layouts.constFind(key);
    if (it == layouts.constEnd()) {
        if (layouts.size() > keptLayouts) layouts.clear();
        it = layouts.insert(key, std::make_shared<const Typesetter>(
                                     normalised(text), font(size, bold), &m_device, width));
    }
    // The cache may be cleared while this document still draws from a layout (the notes
    // are poured across pages whose titles and footers are laid out on the way): the
    // document keeps what it used until it is finished.
    m_used.push_back(*it);
    return **it;
}

qreal Composer::textHeight(const QString &text, qreal size, bool bold, qreal width) {
    if (text.isEmpty()) return size + 4;
    return std::ceil(typeset(text, size, bold, width).height()) + 3;
}

void Composer::drawText(const QString &text, qreal size, bool bold, Qt::Alignment alignment,
                        const QRectF &box) {
    if (text.isEmpty()) return;
    drawFrame(typeset(text, size, bold, box.width()), box, alignment);
}

void Composer::drawFrame(const Typesetter &setter, const QRectF &box, Qt::Alignment alignment,
                         qsizetype from, const std::function<void(qsizetype)> &beforeLine) {
    setter.draw(m_pdf, box, alignment, textGrey, from, beforeLine);
}

} // namespace StubPDF
