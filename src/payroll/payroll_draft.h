#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QUuid>
#include <QtGlobal>

#include <optional>

// One row of current-period earnings. Every money and hours field holds the text
// exactly as typed; numbers are derived only when needed.
struct Earning {
    QUuid id = QUuid::createUuid();
    QString label = QStringLiteral("Salary or wages for regular hours worked");
    bool hourly = true;
    QString hours;
    QString rate;
    QString amount;
    QString ytd;

    // Hours × rate for an hourly row, the amount otherwise. Throws PayrollError.
    qint64 current() const;
    // The same, or nothing while it cannot be read.
    std::optional<qint64> readableCurrent() const;

    bool operator==(const Earning &other) const;
};

struct Deduction {
    QUuid id = QUuid::createUuid();
    QString label;
    QString amount;
    QString ytd;

    bool operator==(const Deduction &other) const;
};

struct Reimbursement {
    QUuid id = QUuid::createUuid();
    QString label;
    QString amount;

    bool operator==(const Reimbursement &other) const;
};

struct PayrollTotals {
    qint64 gross = 0;
    qint64 deducted = 0;
    qint64 reimbursed = 0;
    std::optional<qint64> grossYTD;
    std::optional<qint64> deductionsYTD;

    qint64 net() const { return gross - deducted + reimbursed; }
};

namespace PaymentCode {
inline const QString fullDeposit = QStringLiteral("FULL DEPOSIT");
inline const QString cheque = QStringLiteral("CHEQUE");
inline const QString cash = QStringLiteral("CASH");
inline const QString other = QStringLiteral("OTHER PAYMENT");
} // namespace PaymentCode

QList<Deduction> defaultDeductions();

struct PayrollDraft {
    // Rows a list may hold, and the calendar days a date may take.
    static constexpr qsizetype maximumRows = 30;
    static constexpr int earliestYear = 1900;
    static constexpr int latestYear = 2199;

    QString employer;
    QString employee;
    QString notes;
    std::optional<QDate> start;
    std::optional<QDate> end;
    std::optional<QDate> payday;
    QString payment = PaymentCode::fullDeposit;
    QString currency = QStringLiteral("CAD");
    bool a4 = false;
    QList<Earning> earnings = {Earning{}};
    QList<Deduction> deductions = defaultDeductions();
    QList<Reimbursement> reimbursements = {Reimbursement{}};

    static PayrollDraft sample();
    // A fresh draft for the next employee of the same payroll: employer, period, payment
    // date, payment method, currency and paper carried over, everything else new.
    PayrollDraft nextEmployee() const;

    // Base name of the PDF file, without extension.
    QString filename() const;

    static QString dateLabel(const std::optional<QDate> &date,
                             const QString &format = QStringLiteral("MMM dd, yyyy"));

    // The start and end dates in the default format, the absent ones left out, joined
    // by `separator`: both, one alone, or the empty text.
    QString periodLabel(const QString &separator) const;

    PayrollTotals totals() const; // throws PayrollError
    // The totals, or nothing while some amount of the draft cannot be read.
    std::optional<PayrollTotals> readableTotals() const;
    void validateBasics() const; // throws PayrollError
    void validate() const;       // throws PayrollError
    // The message validateBasics() or validate() would throw, for callers that only ask.
    std::optional<QString> basicsProblem() const;
    std::optional<QString> problem() const;

    bool operator==(const PayrollDraft &other) const;
};

// The whole-draft replacements the window offers.
enum class DraftAction { sample, nextEmployee, clear };

// The draft that `action` puts in place of `current`.
PayrollDraft replacement(DraftAction action, const PayrollDraft &current);

// Texts compare under Unicode canonical equivalence.
bool sameText(const QString &a, const QString &b);
