// Amounts, drafts and their validation: the payroll logic without any user interface.
#include "message_of.h"
#include "payroll/money.h"
#include "payroll/payroll_draft.h"

#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

class TestPayroll : public QObject {
    Q_OBJECT
private slots:
    void reading();
    void formats();
    void trimming();
    void filename();
    void equality();
    void replacements();
    void validate();
    void totals();
};

namespace {

const QString kComma = u"请去掉 $ 和千位逗号，例如输入 1234.56。"_s;
const QString kGrammar = u"金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。"_s;
const QString kHours = u"工时不能超过 99,999.99。"_s;
const QString kYtdBelow = u"年度累计需包含本期，不能小于本期金额。"_s;

Earning earning(QString label, QString hours, QString rate, QString ytd = {}) {
    return {.label = label, .hours = hours, .rate = rate, .amount = {}, .ytd = ytd};
}

Deduction deduction(QString label, QString amount, QString ytd = {}) {
    return {.label = label, .amount = amount, .ytd = ytd};
}

} // namespace

// An amount, or hours × rate when a rate is given: cents, or the message that says why not.
void TestPayroll::reading() {
    const struct {
        QString text, rate;
        std::optional<qint64> cents;
        QString message;
    } cases[] = {
        {u"  12.5\n"_s, {}, 1250, {}},
        {u"12."_s, {}, 1200, {}},
        {u"0.07"_s, {}, 7, {}},
        {u"999999999.99"_s, {}, 99'999'999'999, {}},
        {QString(1000, u'0') + u'1', {}, 100, {}},
        {u".5"_s, {}, {}, kGrammar},
        {u"1.234"_s, {}, {}, kGrammar},
        {u"-5"_s, {}, {}, kGrammar},
        {u"1e3"_s, {}, {}, kGrammar},
        {u"1 000"_s, {}, {}, kGrammar},
        {u"1000000000"_s, {}, {}, kGrammar},
        {u"\uFF11\uFF12"_s, {}, {}, kGrammar},
        {u"1"_s + QChar(0) + u"2"_s, {}, {}, kGrammar},
        {u"1,000"_s, {}, {}, kComma},
        {u"$5"_s, {}, {}, kComma},
        {u"-$5"_s, {}, {}, kComma},
        {u"1.25"_s, u"10.01"_s, 1251, {}},
        {u"0.5"_s, u"0.01"_s, 1, {}}, // half a cent rounds up
        {u"40"_s, u" "_s, 0, {}},
        {u"99999.99"_s, u"1"_s, 9'999'999, {}},
        {u"100000"_s, u"abc"_s, {}, kHours},
        {u"abc"_s, u"1,0"_s, {}, kGrammar},
        {u"10"_s, u"1,000"_s, {}, kComma},
        {u"10"_s, u"abc"_s, {}, kGrammar},
        {u"1"_s, u"999999999.99"_s, 99'999'999'999, {}},
        {u"1.01"_s, u"990099009.91"_s, {}, u"单项收入金额过大，请检查工时和时薪。"_s},
    };
    for (const auto &c : cases) {
        const bool hourly = !c.rate.isNull();
        const QString message =
            messageOf([&] { hourly ? Money::hours(c.text, c.rate) : Money::cents(c.text); });
        const auto read =
            hourly ? Money::readableHours(c.text, c.rate) : Money::readableCents(c.text);
        QVERIFY2(message == c.message && read == c.cents, qPrintable(c.text + u" × "_s + c.rate));
    }
    // A row's current amount follows its kind, whatever the other kind's fields hold.
    const Earning fixed{
        .hourly = false, .hours = u"1"_s, .rate = u"1"_s, .amount = u"12.5"_s, .ytd = {}};
    QVERIFY(fixed.current() == 1250 && fixed.readableCurrent() == 1250);
}

// As the statement shows an amount, and as a field is filled with it (which reads back).
void TestPayroll::formats() {
    const struct {
        qint64 cents;
        QString text, plain;
    } cases[] = {
        {0, u"$0.00"_s, u"0"_s},
        {5, u"$0.05"_s, u"0.05"_s},
        {1250, u"$12.50"_s, u"12.5"_s},
        {120000, u"$1,200.00"_s, u"1200"_s},
        {123456, u"$1,234.56"_s, u"1234.56"_s},
        {99999, u"$999.99"_s, u"999.99"_s},
        {-1, u"-$0.01"_s, u"-0.01"_s},
        {-250000, u"-$2,500.00"_s, u"-2500"_s},
        {std::numeric_limits<qint64>::min(), u"-$92,233,720,368,547,758.08"_s, {}},
    };
    for (const auto &c : cases) {
        QCOMPARE(Money::string(c.cents), c.text);
        if (c.plain.isNull()) continue;
        QCOMPARE(Money::plain(c.cents), c.plain);
        if (c.cents >= 0) QCOMPARE(Money::cents(c.plain), c.cents);
    }
}

void TestPayroll::trimming() {
    QCOMPARE(Money::trimmed(u"\u00A0\u2028 a b\u3000\r\n"_s), u"a b"_s);
    QCOMPARE(Money::trimmed(u"\u200Bx"_s), u"\u200Bx"_s); // Cf, not Z
    QVERIFY(Money::isBlank(u"\u0009\u000B\u000C\u0085\u2029"_s));
    QVERIFY(!Money::isBlank(u" . "_s));
}

void TestPayroll::filename() {
    // The cut counts characters as a person sees them: a flag is the 70th. Name and ".pdf"
    // stay within 255 bytes (241 for the person without dates), never splitting a
    // character: 48 letters of 5 bytes fit.
    const QString flag = u"\U0001F1E8\U0001F1E6"_s, accented = u"e\u0301\u0323"_s;
    const struct {
        QString employee, person;
        bool dated = false;
    } cases[] = {
        {u"  A/B:C  "_s, u"A_B_C"_s},
        {u" \t"_s, u"Employee"_s},
        {u"a\\b*c?d\"e<f>g|h"_s, u"a_b_c_d_e_f_g_h"_s},
        {u"a//b"_s, u"a__b"_s},
        {u"a\u0007b\u200Dc\U000E0001d"_s, u"a_b_c_d"_s},
        {u"王小明"_s, u"王小明"_s},
        {QString(100, u'x'), QString(70, u'x')},
        {QString(69, u'a') + flag + "zzz", QString(69, u'a') + flag},
        {accented.repeated(80), accented.repeated(48)},
        {u'x' + accented.repeated(60), u'x' + accented.repeated(48)},
        {u"\U0001F600"_s.repeated(70), u"\U0001F600"_s.repeated(55), true},
        {u"Velo Marrick"_s, u"Velo Marrick"_s, true},
    };
    for (const auto &c : cases) {
        PayrollDraft d;
        d.employee = c.employee;
        d.start = c.dated ? std::optional(QDate(2026, 6, 1)) : std::nullopt;
        d.end = c.dated ? std::optional(QDate(2026, 6, 30)) : std::nullopt;
        QCOMPARE(d.filename(),
                 u"Corvane_"_s + c.person + (c.dated ? u"_2026-06-01_2026-06-30"_s : u"__"_s));
        QVERIFY((d.filename() + u".pdf"_s).toUtf8().size() <= 255);
    }
}

void TestPayroll::equality() {
    const PayrollDraft a = PayrollDraft::sample();
    QVERIFY(a == PayrollDraft(a));
    const std::function<void(PayrollDraft &)> edits[] = {
        [](PayrollDraft &d) { d.deductions[2].id = QUuid::createUuid(); },
        [](PayrollDraft &d) { d.reimbursements[0].label = u" "_s; },
        [](PayrollDraft &d) { d.end.reset(); },
        [](PayrollDraft &d) { d.a4 = true; },
        [](PayrollDraft &d) { d.notes = u"x"_s; },
        [](PayrollDraft &d) { d.earnings[0].hourly = false; }};
    for (const auto &edit : edits) {
        PayrollDraft b = a;
        edit(b);
        QVERIFY(!(a == b));
    }
    // Canonically equivalent texts are equal: é precomposed and decomposed.
    PayrollDraft c = a, e = a;
    c.employee = u"Ren\u00E9"_s;
    e.employee = u"Rene\u0301"_s;
    QVERIFY(c == e);
    // Every row of every new draft has its own identity.
    QSet<QUuid> ids;
    for (const PayrollDraft &x : {PayrollDraft(), PayrollDraft()}) {
        for (const auto &r : x.deductions)
            ids << r.id;
        ids << x.earnings[0].id << x.reimbursements[0].id;
    }
    QCOMPARE(ids.size(), 12);
}

// What each whole-draft action puts in place of a filled-in draft.
void TestPayroll::replacements() {
    PayrollDraft d = PayrollDraft::sample();
    d.notes = u"note"_s;
    d.a4 = true;
    d.currency = u"USD"_s;
    d.payment = PaymentCode::cheque;
    d.reimbursements[0].label = u"Travel"_s;
    const PayrollDraft next = replacement(DraftAction::nextEmployee, d);
    QVERIFY(next.employer == d.employer && next.start == d.start && next.end == d.end &&
            next.payday == d.payday && next.payment == d.payment && next.currency == d.currency &&
            next.a4 == d.a4);
    QVERIFY(next.employee.isEmpty() && next.notes.isEmpty());
    // New rows, not the old ones emptied.
    QVERIFY(next.earnings.size() == 1 && next.earnings[0].id != d.earnings[0].id &&
            next.earnings[0].hours.isEmpty() && next.earnings[0].label == Earning().label);
    QVERIFY(next.deductions.size() == 4 && next.deductions[0].amount.isEmpty());
    QVERIFY(next.reimbursements.size() == 1 && next.reimbursements[0].label.isEmpty());
    QCOMPARE(replacement(DraftAction::clear, d).employer, QString());
    QCOMPARE(replacement(DraftAction::sample, PayrollDraft()).employee,
             PayrollDraft::sample().employee);
}

// The throwing check and its non-throwing twin agree, and neither changes the draft. The
// rows edit a draft that passes, with one fixed earning of 100.00 and no deductions.
void TestPayroll::validate() {
    const struct {
        QString message;
        std::function<void(PayrollDraft &)> edit;
    } cases[] = {
        {"", [](auto &) {}},
        {"请填写雇主名称。", [](auto &d) { d.employer = "\u3000 "; }},
        {"请填写员工姓名。", [](auto &d) { d.employee = "\n"; }},
        {"请选择工资周期和付款日期。", [](auto &d) { d.payday.reset(); }},
        {"", [](auto &d) { d.end = d.start; }},
        {"周期结束日期不能早于开始日期。", [](auto &d) { d.end = d.start->addDays(-1); }},
        {"周期结束日期不能早于开始日期。", [](auto &d) { d.start = QDate(2300, 1, 1); }},
        {"日期年份须在 1900–2199 之间。", [](auto &d) { d.payday = QDate(2200, 1, 1); }},
        {"日期年份须在 1900–2199 之间。", [](auto &d) { d.start = QDate(1899, 12, 31); }},
        {"",
         [](auto &d) {
             d.start = QDate(1900, 1, 1);
             d.payday = QDate(2199, 12, 31);
         }},
        {"", [](auto &d) { d.payday = QDate(2025, 1, 1); }},
        {"每个分区最多 30 项。",
         [](auto &d) {
             d.deductions = QList<Deduction>(31);
             d.deductions[0].amount = "abc";
         }},
        {"每个分区最多 30 项。", [](auto &d) { d.reimbursements = QList<Reimbursement>(31); }},
        {"", [](auto &d) { d.earnings.resize(30); }},
        {kGrammar, [](auto &d) { d.earnings[0].amount = "1.234"; }},
        {kComma, [](auto &d) { d.earnings[0].ytd = "$1"; }},
        {"请填写工时与时薪。", [](auto &d) { d.earnings.append(earning("", "40", "")); }},
        {"请填写工时与时薪。", [](auto &d) { d.earnings.append(earning("", "", "20")); }},
        {"", [](auto &d) { d.earnings.append(earning("", "0", "")); }},
        {kHours, [](auto &d) { d.earnings.append(earning("", "100000", "x")); }},
        {"", [](auto &d) { d.earnings[0].hours = "40"; }},
        {"",
         [](auto &d) {
             d.earnings.append(earning("Shifts", "1", "1"));
             d.earnings.last().amount = "junk";
         }},
        {kYtdBelow, [](auto &d) { d.earnings[0].ytd = "99.99"; }},
        {"", [](auto &d) { d.earnings[0].ytd = "100"; }},
        {"有金额的收入须填写项目名称。",
         [](auto &d) { d.earnings.append(earning(" ", "40", "", "5")); }},
        {kYtdBelow,
         [](auto &d) {
             d.deductions = {deduction("Tax", "1", "50"), deduction("EI", "100", "99.99")};
         }},
        {"", [](auto &d) { d.deductions = {deduction("Tax", "100")}; }},
        {"有金额的扣款须填写项目名称。", [](auto &d) { d.deductions = {deduction("", "", "1")}; }},
        {kYtdBelow,
         [](auto &d) {
             d.deductions = {deduction("", "1")};
             d.earnings[0].ytd = "1";
         }},
        {"有金额的报销须填写项目名称。", [](auto &d) { d.reimbursements[0].amount = "0.01"; }},
        {"请填写至少一项大于零的本期收入。", [](auto &d) { d.earnings[0].amount = "0"; }},
        {"", [](auto &d) { d.deductions = {deduction("Tax", "100.00", "100")}; }},
        {"净支付金额不能为负数，请检查收入和扣款。",
         [](auto &d) { d.deductions = {deduction("Tax", "100.01")}; }},
        {"",
         [](auto &d) {
             d.deductions = {deduction("Tax", "120")};
             d.reimbursements = {{.label = "Travel", .amount = "20"}};
         }},
    };
    for (const auto &c : cases) {
        PayrollDraft d;
        d.employer = d.employee = u"x"_s;
        d.start = QDate(2026, 1, 1);
        d.end = QDate(2026, 1, 15);
        d.payday = QDate(2026, 1, 20);
        d.earnings[0] = {.hourly = false, .hours = {}, .rate = {}, .amount = u"100"_s, .ytd = {}};
        d.deductions.clear();
        c.edit(d);
        const PayrollDraft before = d;
        const QString message = messageOf([&] { d.validate(); });
        QVERIFY2(message == c.message && d.problem().value_or(QString()) == message && d == before,
                 qPrintable(u"row %1: %2"_s.arg(&c - cases).arg(message)));
    }
}

void TestPayroll::totals() {
    const PayrollTotals s = PayrollDraft::sample().totals();
    QCOMPARE(QList<qint64>({s.gross, s.deducted, s.reimbursed, s.net(), s.grossYTD.value_or(-1),
                            s.deductionsYTD.value_or(-1)}),
             QList<qint64>({270000, 36862, 0, 233138, 1600000, 217387}));
    // A year-to-date total exists only when every paid row has one; no rows: nothing to
    // state, not $0.00.
    PayrollDraft d;
    d.deductions.clear();
    d.earnings = {earning("Pay", "1", "100", "300"), earning("Bonus", "1", "50")};
    QVERIFY(!d.totals().grossYTD && !d.totals().deductionsYTD);
    d.earnings[1].hours = u"0"_s;
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(30000)); // an unpaid row may be blank
    d.earnings[1].ytd = u"12.34"_s;
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(31234));
    d.deductions = {deduction("Tax", "", "5"), deduction("EI", "0")};
    QCOMPARE(d.totals().deductionsYTD, std::optional<qint64>(500));
    // The first unreadable text, in statement order, is the one reported.
    d.reimbursements[0].amount = u"1,0"_s;
    d.deductions[0].ytd = u"x"_s;
    QCOMPARE(messageOf([&] { d.totals(); }), kComma);
    QCOMPARE(d.readableTotals(), std::nullopt);
}

QTEST_APPLESS_MAIN(TestPayroll)
#include "test_payroll.moc"
