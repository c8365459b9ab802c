#pragma once

#include "payroll/payroll_draft.h"

#include "statement_pdf/metrics_device.h"
#include "statement_pdf/pdf_writer.h"

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace StubPDF {

class Typesetter;

// Draws one statement into an in-memory PDF: a top-down cursor, the page counter,
// and the table being drawn so that a table broken across pages continues with its
// title and heading row. One composer serves one rendering.
class Composer {
public:
    explicit Composer(const PayrollDraft &draft);
    ~Composer();
    Composer(const Composer &) = delete;
    Composer &operator=(const Composer &) = delete;

    // The whole statement; throws PayrollError.
    QByteArray render();

    // Document lifecycle: open() begins page 1; close() ends the last page and returns
    // the finished file.
    void open();
    QByteArray close();

    void rule(qreal y, bool heavy);
    void beginPage();
    void endPage();
    // A section's title; with `table`, the rows that follow make up its table.
    void heading(const QString &title, bool table = true);
    void meta(const QString &label, const QString &value);
    void row(const QStringList &cells, const QList<qreal> &ratios, bool bold, bool header);

    qreal textHeight(const QString &text, qreal size, bool bold, qreal width);
    void drawText(const QString &text, qreal size, bool bold, Qt::Alignment alignment,
                  const QRectF &box);
    // Draws the lines of `setter` from `from` that fit in `box`, in the text grey.
    void drawFrame(const Typesetter &setter, const QRectF &box, Qt::Alignment alignment,
                   qsizetype from = 0, const std::function<void(qsizetype)> &beforeLine = nullptr);
    // The font size a non-first body cell is drawn at in a column of this width.
    qreal shrunkSize(const QString &text, bool bold, qreal columnWidth);

    // The line under the title of every page after the first, and every page's footer.
    QString continuationLine() const;
    QString footer() const;

    // CR LF and lone CR become LF, a tab becomes four spaces.
    static QString normalised(const QString &text);

    qreal width() const { return m_width; }
    qreal height() const { return m_height; }
    qreal contentWidth() const { return m_width - 2 * margin; }
    qreal cursor() const { return m_y; }
    int page() const { return m_page; }

    static constexpr qreal margin = 38;

private:
    bool fits(qreal blockHeight) const { return m_y + blockHeight <= m_height - 50; }
    const QFont &font(qreal size, bool bold);
    // Measuring a text and then drawing it at the same width lays it out once.
    const Typesetter &typeset(const QString &text, qreal size, bool bold, qreal width);
    void notes();
    void netPayment(const PayrollTotals &totals);
    // Ends the table of the section drawn last, if it has one.
    void closeSection();

    const PayrollDraft m_draft;
    const qreal m_width;
    const qreal m_height;
    qreal m_y = 0;
    int m_page = 0;
    QString m_tableTitle;
    bool m_sectionTable = false;
    std::optional<std::pair<QStringList, QList<qreal>>> m_tableHeader;

    MetricsDevice &m_device; // one per thread: kept layouts refer to it
    PdfWriter m_pdf;
    QHash<int, QFont> m_fonts;
    std::vector<std::shared_ptr<const Typesetter>> m_used;
};

} // namespace StubPDF
