#include "payroll/money.h"
#include "payroll/payroll_draft.h"

namespace {

[[noreturn]] void fail(const char16_t *message) {
    throw PayrollError::invalid(QString::fromUtf16(message));
}

bool yearInRange(const QDate &date) {
    return date.year() >= PayrollDraft::earliestYear && date.year() <= PayrollDraft::latestYear;
}

template <typename Check> std::optional<QString> problemOf(Check check) {
    try {
        check();
    } catch (const PayrollError &e) {
        return e.errorDescription();
    }
    return std::nullopt;
}

} // namespace

void PayrollDraft::validateBasics() const {
    if (Money::isBlank(employer)) fail(u"请填写雇主名称。");
    if (Money::isBlank(employee)) fail(u"请填写员工姓名。");
    if (!start || !end || !payday || !start->isValid() || !end->isValid() || !payday->isValid())
        fail(u"请选择工资周期和付款日期。");
    if (*start > *end) fail(u"周期结束日期不能早于开始日期。");
    for (const QDate &date : {*start, *end, *payday})
        if (!yearInRange(date)) fail(u"日期年份须在 1900–2199 之间。");
}

std::optional<QString> PayrollDraft::basicsProblem() const {
    return problemOf([this] { validateBasics(); });
}

std::optional<QString> PayrollDraft::problem() const {
    return problemOf([this] { validate(); });
}

void PayrollDraft::validate() const {
    validateBasics();
    static_assert(maximumRows == 30, "the message below names the limit");
    if (earnings.size() > maximumRows || deductions.size() > maximumRows ||
        reimbursements.size() > maximumRows)
        fail(u"每个分区最多 30 项。");

    const auto ytdBelowCurrent = u"年度累计需包含本期，不能小于本期金额。";
    for (const Earning &row : earnings) {
        const qint64 current = row.current();
        const qint64 ytd = Money::cents(row.ytd);
        if ((current > 0 || ytd > 0) && Money::isBlank(row.label))
            fail(u"有金额的收入须填写项目名称。");
        if (row.hourly) {
            const qint64 h = Money::cents(row.hours);
            const qint64 r = Money::cents(row.rate);
            if ((h > 0 || r > 0) && (Money::isBlank(row.hours) || Money::isBlank(row.rate)))
                fail(u"请填写工时与时薪。");
        }
        if (!Money::isBlank(row.ytd) && ytd < current) fail(ytdBelowCurrent);
    }
    for (const Deduction &row : deductions) {
        const qint64 amount = Money::cents(row.amount);
        const qint64 ytd = Money::cents(row.ytd);
        if ((amount > 0 || ytd > 0) && Money::isBlank(row.label))
            fail(u"有金额的扣款须填写项目名称。");
        if (!Money::isBlank(row.ytd) && ytd < amount) fail(ytdBelowCurrent);
    }
    for (const Reimbursement &row : reimbursements) {
        if (Money::cents(row.amount) > 0 && Money::isBlank(row.label))
            fail(u"有金额的报销须填写项目名称。");
    }

    const PayrollTotals t = totals();
    if (t.gross <= 0) fail(u"请填写至少一项大于零的本期收入。");
    if (t.net() < 0) fail(u"净支付金额不能为负数，请检查收入和扣款。");
}
