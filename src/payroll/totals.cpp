#include "payroll/money.h"
#include "payroll/payroll_draft.h"

namespace {

// A section's year-to-date total is stated only when every row that has money this
// period carries a year-to-date text; otherwise it is absent.
std::optional<qint64> sumYTD(const QList<QString> &ytdTexts, const QList<qint64> &currents) {
    qint64 sum = 0;
    for (const QString &text : ytdTexts)
        sum += Money::cents(text);
    bool allBlank = true;
    for (const QString &text : ytdTexts)
        allBlank = allBlank && Money::isBlank(text);
    if (allBlank) return std::nullopt;
    for (qsizetype i = 0; i < ytdTexts.size(); ++i)
        if (currents.at(i) > 0 && Money::isBlank(ytdTexts.at(i))) return std::nullopt;
    return sum;
}

} // namespace

PayrollTotals PayrollDraft::totals() const {
    PayrollTotals t;
    QList<qint64> earningCurrents;
    for (const Earning &row : earnings) {
        earningCurrents.append(row.current());
        t.gross += earningCurrents.last();
    }
    QList<qint64> deductionAmounts;
    for (const Deduction &row : deductions) {
        deductionAmounts.append(Money::cents(row.amount));
        t.deducted += deductionAmounts.last();
    }
    for (const Reimbursement &row : reimbursements)
        t.reimbursed += Money::cents(row.amount);

    QList<QString> texts;
    for (const Earning &row : earnings)
        texts.append(row.ytd);
    t.grossYTD = sumYTD(texts, earningCurrents);
    texts.clear();
    for (const Deduction &row : deductions)
        texts.append(row.ytd);
    t.deductionsYTD = sumYTD(texts, deductionAmounts);
    return t;
}

std::optional<PayrollTotals> PayrollDraft::readableTotals() const {
    try {
        return totals();
    } catch (const PayrollError &) {
        return std::nullopt;
    }
}
