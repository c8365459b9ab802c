#include "payroll/money.h"
#include "statement_pdf/composer.h"
#include "statement_pdf/stub_pdf.h"
#include "statement_pdf/typesetter.h"

#include <cmath>

namespace StubPDF {

namespace {

const QList<qreal> earningRatios = {0.43, 0.10, 0.13, 0.17, 0.17};
const QList<qreal> deductionRatios = {0.6, 0.2, 0.2};
const QList<qreal> reimbursementRatios = {0.8, 0.2};

// An entered amount shown as money; an empty text stays empty.
QString moneyOrEmpty(const QString &text) {
    return text.isEmpty() ? QString() : Money::string(Money::cents(text));
}

QString optionalMoney(const std::optional<qint64> &cents) {
    return cents ? Money::string(*cents) : QString();
}

} // namespace

QByteArray make(const PayrollDraft &draft) {
    Composer composer(draft);
    return composer.render();
}

QByteArray Composer::render() {
    const PayrollTotals totals = m_draft.totals();
    m_pdf.beginElement("Document");
    open();

    // The header block is a table of labelled rows: a screen reader says each label with
    // its value, as a list of items could not.
    m_pdf.beginElement("Table");
    meta(QStringLiteral("EMPLOYER"), m_draft.employer);
    meta(QStringLiteral("EMPLOYEE"), m_draft.employee);
    meta(QStringLiteral("PAY PERIOD"), m_draft.periodLabel(QStringLiteral(" - ")));
    meta(QStringLiteral("PAYMENT DATE"), PayrollDraft::dateLabel(m_draft.payday));
    m_pdf.endElement();

    heading(QStringLiteral("GROSS EARNINGS"));
    row({"Description", "Hours", "Rate", "Current", "YTD"}, earningRatios, true, true);
    for (const Earning &e : m_draft.earnings) {
        row({e.label, e.hourly ? e.hours : QString(),
             e.hourly && !e.rate.isEmpty() ? Money::string(Money::cents(e.rate)) : QString(),
             Money::string(e.current()), moneyOrEmpty(e.ytd)},
            earningRatios, false, false);
    }
    row({"TOTAL GROSS EARNINGS", QString(), QString(), Money::string(totals.gross),
         optionalMoney(totals.grossYTD)},
        earningRatios, true, false);

    heading(QStringLiteral("DEDUCTIONS"));
    row({"Description", "Current", "YTD"}, deductionRatios, true, true);
    for (const Deduction &d : m_draft.deductions)
        row({d.label, moneyOrEmpty(d.amount), moneyOrEmpty(d.ytd)}, deductionRatios, false, false);
    row({"TOTAL DEDUCTIONS", Money::string(totals.deducted), optionalMoney(totals.deductionsYTD)},
        deductionRatios, true, false);

    heading(QStringLiteral("REIMBURSEMENTS"));
    row({"Description", "Current"}, reimbursementRatios, true, true);
    for (const Reimbursement &r : m_draft.reimbursements) {
        if (r.label.isEmpty() && r.amount.isEmpty()) continue;
        row({r.label, Money::string(Money::cents(r.amount))}, reimbursementRatios, false, false);
    }
    row({"TOTAL REIMBURSEMENTS", Money::string(totals.reimbursed)}, reimbursementRatios, true,
        false);

    if (!m_draft.notes.isEmpty()) notes();
    netPayment(totals);
    m_pdf.endElement();
    return close();
}

// The notes are laid out once and poured into as many pages as they need.
void Composer::notes() {
    heading(QStringLiteral("ADDITIONAL NOTES"), false);
    const QString text = normalised(m_draft.notes);
    const Typesetter &setter = typeset(m_draft.notes, 10, false, contentWidth());
    // One paragraph element per paragraph, across pages: a line starts a new one when a
    // line break stands before it.
    int paragraph = -1, breaks = 0;
    qsizetype counted = 0;
    const auto startLine = [&](qsizetype start) {
        for (; counted < start; ++counted)
            breaks += Typesetter::isLineBreak(text.at(counted)) ? 1 : 0;
        if (breaks == paragraph) return;
        if (paragraph >= 0) m_pdf.endElement();
        m_pdf.beginElement("P");
        paragraph = breaks;
    };
    qsizetype position = 0;
    while (position < text.size()) {
        if (!fits(35)) beginPage();
        const QRectF box(margin, m_y, contentWidth(), (m_height - 55) - m_y);
        const qsizetype shown = setter.fit(position, box.height());
        if (shown < 1) throw PayrollError::invalid(QStringLiteral("备注内容无法排版。"));
        drawFrame(setter, box, Qt::AlignLeft, position, startLine);
        // The height textHeight() gives the shown part, taken from the lines already laid
        // out instead of laying the part out again. A part that ends in a line break ends
        // with an empty line of its own, as it would laid out alone.
        const bool endsInBreak = Typesetter::isLineBreak(text.at(position + shown - 1));
        m_y += std::ceil(setter.height(position, shown) +
                         (endsInBreak ? setter.emptyLineHeight() : 0)) +
               3 + 4;
        position += shown;
        if (position < text.size()) beginPage();
    }
    if (paragraph >= 0) m_pdf.endElement();
}

void Composer::netPayment(const PayrollTotals &totals) {
    closeSection();
    if (!fits(83)) beginPage();
    m_y += 22;
    rule(m_y, true);
    m_y += 14;
    const qreal w = contentWidth();
    m_pdf.beginElement("P");
    drawText(m_draft.payment, 10, true, Qt::AlignLeft, {margin, m_y, w * 0.5, 21});
    drawText(QStringLiteral("NET PAYMENT  ") + Money::string(totals.net()), 14, true,
             Qt::AlignRight, {margin + w * 0.4, m_y - 1, w * 0.6, 28});
    m_pdf.endElement();
}

} // namespace StubPDF
