#pragma once

#include "payroll/payroll_draft.h"

#include <QStringList>

// Statements that exercise the whole page: the reference renderings in
// tests/statement_pdf/reference/ were made from exactly these.
namespace StatementDrafts {

// 30 + 30 + 30 rows: every table breaks across pages.
inline PayrollDraft manyRows() {
    PayrollDraft d = PayrollDraft::sample();
    d.earnings.clear();
    d.deductions.clear();
    d.reimbursements.clear();
    for (int i = 0; i < 30; ++i) {
        const QString n = QString::number(i + 1);
        d.earnings.append({.label = "Shift premium " + n,
                           .hours = n,
                           .rate = "21.5",
                           .amount = {},
                           .ytd = "99999"});
        d.deductions.append({.label = "Union dues " + n, .amount = "1.25", .ytd = "30"});
        d.reimbursements.append({.label = "Mileage " + n, .amount = "3.10"});
    }
    return d;
}

// The sample with `count` numbered notes ("word0 word1 …"), joined by `separator`.
inline PayrollDraft numberedNotes(int count, const QString &prefix, QChar separator) {
    PayrollDraft d = PayrollDraft::sample();
    QStringList notes;
    for (int i = 0; i < count; ++i)
        notes.append(prefix + QString::number(i));
    d.notes = notes.join(separator);
    return d;
}

// The sample on A4; 400 words of notes over several pages; Chinese names and notes, drawn
// with the fallback face.
inline QList<std::pair<const char *, PayrollDraft>> all() {
    PayrollDraft a4 = PayrollDraft::sample(), chinese = a4;
    a4.a4 = true;
    chinese.employer = QStringLiteral("枫叶餐饮有限公司");
    chinese.employee = QStringLiteral("王小明");
    chinese.deductions[0].label = QStringLiteral("联邦所得税");
    chinese.notes = QStringLiteral("加班已由经理批准，请核对。Overtime approved.");
    return {{"sample", PayrollDraft::sample()},
            {"sample-a4", a4},
            {"many-rows", manyRows()},
            {"long-notes", numberedNotes(400, QStringLiteral("word"), u' ')},
            {"chinese", chinese}};
}

} // namespace StatementDrafts
