// Amounts, drafts and their validation: the payroll logic without any user interface.
#include "message_of.h"
#include "payroll/money.h"
#include "payroll/payroll_draft.h"

#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

using Edit = std::function<void(PayrollDraft &)>;
Q_DECLARE_METATYPE(Edit)

class TestPayroll : public QObject {
    Q_OBJECT
private slots:
    void cents_data();
    void cents();
    void hours_data();
    void hours();
    void formats_data();
    void formats();
    void trimming();
    void rows();
    void filename_data();
    void filename();
    void equality();
    void replacements();
    void validate_data();
    void validate();
    void totals();
};

namespace {

const QString kComma = u"请去掉 $ 和千位逗号，例如输入 1234.56。"_s;
const QString kGrammar = u"金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。"_s;
const QString kHours = u"工时不能超过 99,999.99。"_s;
const QString kProduct = u"单项收入金额过大，请检查工时和时薪。"_s;

// A draft that passes validation, with one fixed earning of 100.00 and no deductions.
PayrollDraft valid() {
    PayrollDraft d;
    d.employer = u"Employer"_s;
    d.employee = u"Employee"_s;
    d.start = QDate(2026, 1, 1);
    d.end = QDate(2026, 1, 15);
    d.payday = QDate(2026, 1, 20);
    d.earnings[0].hourly = false;
    d.earnings[0].amount = u"100"_s;
    d.deductions.clear();
    return d;
}

Earning earning(const char *label, const char *hours, const char *rate, const char *ytd = "") {
    return {.label = QString::fromUtf8(label),
            .hours = QString::fromUtf8(hours),
            .rate = QString::fromUtf8(rate),
            .amount = {},
            .ytd = QString::fromUtf8(ytd)};
}

Deduction deduction(const char *label, const char *amount, const char *ytd = "") {
    return {.label = QString::fromUtf8(label),
            .amount = QString::fromUtf8(amount),
            .ytd = QString::fromUtf8(ytd)};
}

const QString ytdBelow = u"年度累计需包含本期，不能小于本期金额。"_s;

} // namespace

void TestPayroll::cents_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("message");
    const auto ok = [](const char *name, const QString &text, qint64 cents) {
        QTest::newRow(name) << text << cents << QString();
    };
    const auto bad = [](const char *name, const QString &text, const QString &message) {
        QTest::newRow(name) << text << qint64(0) << message;
    };
    ok("padded", u"  12.5\n"_s, 1250);
    ok("spaces", u"   "_s, 0);
    ok("point without fraction", u"12."_s, 1200);
    ok("one fraction digit", u"0.07"_s, 7);
    ok("maximum", u"999999999.99"_s, 99'999'999'999);
    ok("thousand leading zeros", QString(1000, u'0') + u'1', 100);
    bad("no integer part", u".5"_s, kGrammar);
    bad("three fraction digits", u"1.234"_s, kGrammar);
    bad("minus", u"-5"_s, kGrammar);
    bad("exponent", u"1e3"_s, kGrammar);
    bad("inner space", u"1 000"_s, kGrammar);
    bad("just past maximum", u"1000000000"_s, kGrammar);
    bad("full-width digits", u"\uFF11\uFF12"_s, kGrammar);
    bad("inner NUL", u"1"_s + QChar(0) + u"2"_s, kGrammar);
    bad("lone surrogate", u"5"_s + QChar(0xD800), kGrammar);
    bad("comma", u"1,000"_s, kComma);
    bad("dollar", u"$5"_s, kComma);
    bad("comma before grammar", u"-$5"_s, kComma);
}

void TestPayroll::cents() {
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    qint64 got = -1;
    QCOMPARE(messageOf([&] { got = Money::cents(text); }), message);
    QCOMPARE(Money::readableCents(text), message.isEmpty() ? std::optional(cents) : std::nullopt);
    if (message.isEmpty()) QCOMPARE(got, cents);
}

void TestPayroll::hours_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const char *h, const char *r, qint64 c, QString m) {
        QTest::newRow(name) << QString::fromUtf8(h) << QString::fromUtf8(r) << c << m;
    };
    row("rounds a half-cent up", "1.25", "10.01", 1251, {});
    row("half a cent", "0.5", "0.01", 1, {});
    row("blank rate", "40", " ", 0, {});
    row("hours at limit", "99999.99", "1", 9'999'999, {});
    row("hours past limit before bad rate", "100000", "abc", 0, kHours);
    row("bad hours before rate", "abc", "xyz", 0, kGrammar);
    row("bad rate", "10", "abc", 0, kGrammar);
    row("rate with comma", "10", "1,000", 0, kComma);
    row("product at limit", "1", "999999999.99", 99'999'999'999, {});
    row("product one cent past limit", "1.01", "990099009.91", 0, kProduct);
}

void TestPayroll::hours() {
    QFETCH(QString, hours);
    QFETCH(QString, rate);
    QFETCH(qint64, cents);
    QFETCH(QString, message);
    qint64 got = -1;
    QCOMPARE(messageOf([&] { got = Money::hours(hours, rate); }), message);
    QCOMPARE(Money::readableHours(hours, rate),
             message.isEmpty() ? std::optional(cents) : std::nullopt);
    if (message.isEmpty()) QCOMPARE(got, cents);
}

void TestPayroll::formats_data() {
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("text");  // as the statement shows it
    QTest::addColumn<QString>("plain"); // as a field is filled with it
    const auto row = [](const char *name, qint64 cents, const char *text, const char *plain) {
        QTest::newRow(name) << cents << QString::fromUtf8(text) << QString::fromUtf8(plain);
    };
    row("zero", 0, "$0.00", "0");
    row("five cents", 5, "$0.05", "0.05");
    row("one fraction digit", 1250, "$12.50", "12.5");
    row("whole", 120000, "$1,200.00", "1200");
    row("grouped", 123456, "$1,234.56", "1234.56");
    row("three digit group", 99999, "$999.99", "999.99");
    row("minus a cent", -1, "-$0.01", "-0.01");
    row("negative", -250000, "-$2,500.00", "-2500");
    row("smallest qint64", std::numeric_limits<qint64>::min(), "-$92,233,720,368,547,758.08", "");
}

void TestPayroll::formats() {
    QFETCH(qint64, cents);
    QFETCH(QString, text);
    QFETCH(QString, plain);
    QCOMPARE(Money::string(cents), text);
    if (plain.isEmpty()) return;
    QCOMPARE(Money::plain(cents), plain);
    if (cents >= 0) QCOMPARE(Money::cents(plain), cents); // what plain writes reads back
}

void TestPayroll::trimming() {
    QCOMPARE(Money::trimmed(u"\u00A0\u2028 a b\u3000\r\n"_s), u"a b"_s);
    QCOMPARE(Money::trimmed(u"\u200Bx"_s), u"\u200Bx"_s); // Cf, not Z
    QVERIFY(Money::isBlank(u"\u0009\u000B\u000C\u0085\u2029"_s));
    QVERIFY(!Money::isBlank(u" . "_s));
}

// Every row of every new draft has its own identity; a row's current amount follows its
// kind, whatever the other kind's fields hold.
void TestPayroll::rows() {
    QSet<QUuid> ids;
    for (const PayrollDraft &x : {PayrollDraft(), PayrollDraft()}) {
        for (const auto &r : x.earnings)
            ids.insert(r.id);
        for (const auto &r : x.deductions)
            ids.insert(r.id);
        for (const auto &r : x.reimbursements)
            ids.insert(r.id);
    }
    QCOMPARE(ids.size(), 12);
    Earning e{.hourly = false, .hours = u"abc"_s, .rate = {}, .amount = u"12.50"_s, .ytd = {}};
    QCOMPARE(e.current(), qint64(1250));
    e.hourly = true;
    e.hours = u"40"_s;
    e.rate = u"25"_s;
    e.amount = u"x$y"_s;
    QCOMPARE(e.readableCurrent(), std::optional<qint64>(100000));
    e.rate = u"2,5"_s;
    QCOMPARE(e.readableCurrent(), std::nullopt);
}

void TestPayroll::filename_data() {
    QTest::addColumn<QString>("employee");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *name, const QString &employee, const QString &person) {
        QTest::newRow(name) << employee << false << u"Corvane_"_s + person + "__";
    };
    row("breakers and spaces", u"  A/B:C  "_s, u"A_B_C"_s);
    row("blank", u" \t"_s, u"Employee"_s);
    row("each breaker", u"a\\b*c?d\"e<f>g|h"_s, u"a_b_c_d_e_f_g_h"_s);
    row("two in a row", u"a//b"_s, u"a__b"_s);
    row("control and format", u"a\u0007b\u200Dc\U000E0001d"_s, u"a_b_c_d"_s);
    row("chinese", u"王小明"_s, u"王小明"_s);
    row("seventy of a hundred", QString(100, u'x'), QString(70, u'x'));
    // The cut counts characters as a person sees them: a flag is the 70th.
    const QString flag = u"\U0001F1E8\U0001F1E6"_s;
    row("flag as the seventieth", QString(69, u'a') + flag + "zzz", QString(69, u'a') + flag);
    // Name and ".pdf" stay within 255 bytes (241 for the person without dates), never
    // splitting a character: 48 letters of 5 bytes fit.
    const QString accented = u"e\u0301\u0323"_s;
    row("byte limit", accented.repeated(80), accented.repeated(48));
    row("exactly at the byte limit", u'x' + accented.repeated(60), u'x' + accented.repeated(48));
    QTest::newRow("seventy emoji keep their dates")
        << u"\U0001F600"_s.repeated(70) << true
        << u"Corvane_"_s + u"\U0001F600"_s.repeated(55) + u"_2026-06-01_2026-06-30"_s;
    QTest::newRow("dated, space kept")
        << u"Velo Marrick"_s << true << u"Corvane_Velo Marrick_2026-06-01_2026-06-30"_s;
}

void TestPayroll::filename() {
    QFETCH(QString, employee);
    QFETCH(bool, dated);
    QFETCH(QString, name);
    PayrollDraft d;
    d.employee = employee;
    d.start = dated ? std::optional(QDate(2026, 6, 1)) : std::nullopt;
    d.end = dated ? std::optional(QDate(2026, 6, 30)) : std::nullopt;
    QCOMPARE(d.filename(), name);
    QVERIFY((name + u".pdf"_s).toUtf8().size() <= 255);
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
    QVERIFY(PayrollDraft() != PayrollDraft()); // fresh row ids differ
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
    const PayrollDraft fresh;
    QCOMPARE(next.employer, d.employer);
    QVERIFY(next.start == d.start && next.end == d.end && next.payday == d.payday);
    QVERIFY(next.payment == d.payment && next.currency == d.currency && next.a4 == d.a4);
    QVERIFY(next.employee.isEmpty() && next.notes.isEmpty());
    QCOMPARE(next.earnings.size(), 1);
    QVERIFY(next.earnings[0].hours.isEmpty() && next.earnings[0].label == fresh.earnings[0].label);
    QCOMPARE(next.deductions.size(), 4);
    QVERIFY(next.deductions[0].amount.isEmpty());
    QVERIFY(next.reimbursements.size() == 1 && next.reimbursements[0].label.isEmpty());
    QVERIFY(next.earnings[0].id != d.earnings[0].id); // new rows, not the old ones emptied
    QCOMPARE(replacement(DraftAction::clear, d).employer, QString());
    QCOMPARE(replacement(DraftAction::sample, PayrollDraft()).employee,
             PayrollDraft::sample().employee);
}

void TestPayroll::validate_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const QString &message, Edit edit) {
        QTest::newRow(name) << edit << message;
    };
    row("default draft", "请填写雇主名称。", [](PayrollDraft &d) { d = PayrollDraft(); });
    row("valid", "", [](PayrollDraft &) {});
    row("employer spaces", "请填写雇主名称。", [](PayrollDraft &d) { d.employer = "\u3000 "; });
    row("employee blank", "请填写员工姓名。", [](PayrollDraft &d) { d.employee = "\n"; });
    row("no payday", "请选择工资周期和付款日期。", [](PayrollDraft &d) { d.payday.reset(); });
    row("one-day period", "", [](PayrollDraft &d) { d.end = d.start; });
    row("end before start", "周期结束日期不能早于开始日期。",
        [](PayrollDraft &d) { d.end = d.start->addDays(-1); });
    row("order before year", "周期结束日期不能早于开始日期。",
        [](PayrollDraft &d) { d.start = QDate(2300, 1, 1); });
    row("payday 2200", "日期年份须在 1900–2199 之间。",
        [](PayrollDraft &d) { d.payday = QDate(2200, 1, 1); });
    row("start 1899", "日期年份须在 1900–2199 之间。",
        [](PayrollDraft &d) { d.start = QDate(1899, 12, 31); });
    row("years 1900 and 2199 pass", "", [](PayrollDraft &d) {
        d.start = QDate(1900, 1, 1);
        d.payday = QDate(2199, 12, 31);
    });
    row("payday before period passes", "", [](PayrollDraft &d) { d.payday = QDate(2025, 1, 1); });
    row("31 deductions before a bad row", "每个分区最多 30 项。", [](PayrollDraft &d) {
        d.deductions = QList<Deduction>(31);
        d.deductions[0].amount = "abc";
    });
    row("31 reimbursements", "每个分区最多 30 项。",
        [](PayrollDraft &d) { d.reimbursements = QList<Reimbursement>(31); });
    row("30 earnings pass", "", [](PayrollDraft &d) { d.earnings.resize(30); });
    row("unlabelled earning ytd", "有金额的收入须填写项目名称。",
        [](PayrollDraft &d) { d.earnings.append(earning(" ", "", "", "5")); });
    row("earning amount error passes through", kGrammar,
        [](PayrollDraft &d) { d.earnings[0].amount = "1.234"; });
    row("earning ytd error passes through", kComma,
        [](PayrollDraft &d) { d.earnings[0].ytd = "$1"; });
    row("hours without rate", "请填写工时与时薪。",
        [](PayrollDraft &d) { d.earnings.append(earning("", "40", "")); });
    row("rate without hours", "请填写工时与时薪。",
        [](PayrollDraft &d) { d.earnings.append(earning("", "", "20")); });
    row("zero hours with blank rate", "",
        [](PayrollDraft &d) { d.earnings.append(earning("", "0", "")); });
    row("hours past limit", kHours,
        [](PayrollDraft &d) { d.earnings.append(earning("", "100000", "x")); });
    row("hours checked only on hourly rows", "",
        [](PayrollDraft &d) { d.earnings[0].hours = "40"; });
    row("amount ignored on hourly rows", "", [](PayrollDraft &d) {
        d.earnings.append(earning("Shifts", "1", "1"));
        d.earnings.last().amount = "junk";
    });
    row("earning ytd below current", ytdBelow,
        [](PayrollDraft &d) { d.earnings[0].ytd = "99.99"; });
    row("earning ytd equal passes", "", [](PayrollDraft &d) { d.earnings[0].ytd = "100"; });
    row("earning label before hours", "有金额的收入须填写项目名称。",
        [](PayrollDraft &d) { d.earnings.append(earning("", "40", "", "5")); });
    row("deduction ytd below, second row", ytdBelow, [](PayrollDraft &d) {
        d.deductions = {deduction("Tax", "1", "50"), deduction("EI", "100", "99.99")};
    });
    row("deduction blank ytd passes", "",
        [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100")}; });
    row("unlabelled deduction", "有金额的扣款须填写项目名称。",
        [](PayrollDraft &d) { d.deductions = {deduction("", "", "1")}; });
    row("earnings checked before deductions", ytdBelow, [](PayrollDraft &d) {
        d.deductions = {deduction("", "1")};
        d.earnings[0].ytd = "1";
    });
    row("unlabelled reimbursement", "有金额的报销须填写项目名称。",
        [](PayrollDraft &d) { d.reimbursements[0].amount = "0.01"; });
    row("zero gross", "请填写至少一项大于零的本期收入。",
        [](PayrollDraft &d) { d.earnings[0].amount = "0"; });
    row("net zero and YTD equal pass", "",
        [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100.00", "100")}; });
    row("net negative", "净支付金额不能为负数，请检查收入和扣款。",
        [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100.01")}; });
    row("reimbursement raises net", "", [](PayrollDraft &d) {
        d.deductions = {deduction("Tax", "120")};
        d.reimbursements = {Reimbursement{.label = "Travel", .amount = "20"}};
    });
}

// The throwing check and its non-throwing twin agree, and neither changes the draft.
void TestPayroll::validate() {
    QFETCH(Edit, edit);
    QFETCH(QString, message);
    PayrollDraft d = valid();
    edit(d);
    const PayrollDraft before = d;
    QCOMPARE(messageOf([&] { d.validate(); }), message);
    QCOMPARE(d.problem().value_or(QString()), message);
    QVERIFY(d == before);
}

void TestPayroll::totals() {
    const PayrollTotals s = PayrollDraft::sample().totals();
    QCOMPARE(QList<qint64>({s.gross, s.deducted, s.reimbursed, s.net()}),
             QList<qint64>({270000, 36862, 0, 233138}));
    QCOMPARE(s.grossYTD, std::optional<qint64>(1600000));
    QCOMPARE(s.deductionsYTD, std::optional<qint64>(217387));
    // A year-to-date total exists only when every paid row has one.
    PayrollDraft d = valid();
    QCOMPARE(d.totals().grossYTD, std::nullopt);
    QCOMPARE(d.totals().deductionsYTD, std::nullopt); // no rows: nothing to state, not $0.00
    d.earnings.append(earning("Bonus", "1", "50"));
    d.earnings[0].ytd = u"300"_s;
    QCOMPARE(d.totals().grossYTD, std::nullopt);
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
