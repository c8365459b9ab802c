#include "payroll/payroll_draft.h"

#include "payroll/money.h"
#include "payroll/text.h"

#include <QLocale>
#include <QStringList>

qint64 Earning::current() const {
    return hourly ? Money::hours(hours, rate) : Money::cents(amount);
}

std::optional<qint64> Earning::readableCurrent() const {
    return hourly ? Money::readableHours(hours, rate) : Money::readableCents(amount);
}

bool sameText(const QString &a, const QString &b) {
    if (a == b) return true;
    return a.normalized(QString::NormalizationForm_D) == b.normalized(QString::NormalizationForm_D);
}

bool Earning::operator==(const Earning &o) const {
    return id == o.id && sameText(label, o.label) && hourly == o.hourly &&
           sameText(hours, o.hours) && sameText(rate, o.rate) && sameText(amount, o.amount) &&
           sameText(ytd, o.ytd);
}

bool Deduction::operator==(const Deduction &o) const {
    return id == o.id && sameText(label, o.label) && sameText(amount, o.amount) &&
           sameText(ytd, o.ytd);
}

bool Reimbursement::operator==(const Reimbursement &o) const {
    return id == o.id && sameText(label, o.label) && sameText(amount, o.amount);
}

bool PayrollDraft::operator==(const PayrollDraft &o) const {
    return sameText(employer, o.employer) && sameText(employee, o.employee) &&
           sameText(notes, o.notes) && start == o.start && end == o.end && payday == o.payday &&
           sameText(payment, o.payment) && sameText(currency, o.currency) && a4 == o.a4 &&
           earnings == o.earnings && deductions == o.deductions &&
           reimbursements == o.reimbursements;
}

QList<Deduction> defaultDeductions() {
    QList<Deduction> rows;
    for (const char *label : {"Federal Income Tax", "Provincial Income Tax", "Employment Insurance",
                              "Canada Pension Plan"}) {
        Deduction row;
        row.label = QString::fromLatin1(label);
        rows.append(row);
    }
    return rows;
}

PayrollDraft PayrollDraft::sample() {
    PayrollDraft draft;
    draft.employer = QStringLiteral("Example Restaurant Ltd.");
    draft.employee = QStringLiteral("Velo Marrick");
    const auto day = [](const char *text) -> std::optional<QDate> {
        const QDate date =
            QDate::fromString(QString::fromLatin1(text), QStringLiteral("yyyy-MM-dd"));
        return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
    };
    draft.start = day("2026-06-01");
    draft.end = day("2026-06-30");
    draft.payday = day("2026-07-05");

    Earning &pay = draft.earnings.first();
    pay.hours = QStringLiteral("135");
    pay.rate = QStringLiteral("20");
    pay.ytd = QStringLiteral("16000");

    const char *amounts[4][2] = {
        {"142.33", "828.08"}, {"38.98", "237.09"}, {"44.01", "260.80"}, {"143.30", "847.90"}};
    for (int i = 0; i < 4; ++i) {
        draft.deductions[i].amount = QString::fromLatin1(amounts[i][0]);
        draft.deductions[i].ytd = QString::fromLatin1(amounts[i][1]);
    }
    return draft;
}

QString PayrollDraft::dateLabel(const std::optional<QDate> &date, const QString &format) {
    if (!date || !date->isValid()) return QString();
    return QLocale(QStringLiteral("en_CA")).toString(*date, format);
}

QString PayrollDraft::periodLabel(const QString &separator) const {
    QStringList dates;
    for (const auto &date : {start, end})
        if (const QString label = dateLabel(date); !label.isEmpty()) dates.append(label);
    return dates.join(separator);
}

namespace {

bool isFilenameBreaker(char32_t c) {
    switch (c) {
    case U'/':
    case U'\\':
    case U':':
    case U'*':
    case U'?':
    case U'"':
    case U'<':
    case U'>':
    case U'|':
        return true;
    default:
        break;
    }
    const auto category = QChar::category(c);
    return category == QChar::Other_Control || category == QChar::Other_Format;
}

} // namespace

QString PayrollDraft::filename() const {
    const QString name = Money::trimmed(employee);
    QString cleaned;
    cleaned.reserve(name.size());
    for (qsizetype i = 0; i < name.size();) {
        // A whole code point at a time, so that format characters beyond the BMP count;
        // a lone surrogate is no control character and stays.
        const bool pair =
            name.at(i).isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate();
        const qsizetype width = pair ? 2 : 1;
        const char32_t c =
            pair ? QChar::surrogateToUcs4(name.at(i), name.at(i + 1)) : name.at(i).unicode();
        if (isFilenameBreaker(c))
            cleaned += u'_';
        else
            cleaned += QStringView(name).mid(i, width);
        i += width;
    }
    const QString iso = QStringLiteral("yyyy-MM-dd");
    const QString dates = u'_' + dateLabel(start, iso) + u'_' + dateLabel(end, iso);
    // File systems take at most 255 bytes per name: the person's part gives way so that
    // the name with ".pdf" fits and the dates stay whole.
    const QString prefix = QStringLiteral("Corvane_");
    const qsizetype room = 255 - prefix.size() - dates.toUtf8().size() - 4;
    QString person = Text::leadingGraphemes(cleaned, 70, room);
    if (person.isEmpty()) person = QStringLiteral("Employee");
    return prefix + person + dates;
}

PayrollDraft PayrollDraft::nextEmployee() const {
    PayrollDraft next;
    next.employer = employer;
    next.start = start;
    next.end = end;
    next.payday = payday;
    next.payment = payment;
    next.currency = currency;
    next.a4 = a4;
    return next;
}

PayrollDraft replacement(DraftAction action, const PayrollDraft &current) {
    switch (action) {
    case DraftAction::sample:
        return PayrollDraft::sample();
    case DraftAction::nextEmployee:
        return current.nextEmployee();
    case DraftAction::clear:
        break;
    }
    return PayrollDraft();
}
