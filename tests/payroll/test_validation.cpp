#include "payroll/money.h"
#include "payroll/payroll_draft.h"

#include <QtTest>

#include <functional>

namespace {

QString messageOf(const std::function<void()> &f) {
    try {
        f();
    } catch (const PayrollError &e) {
        return e.errorDescription();
    }
    return QString();
}

// A draft that passes validation, with one fixed earning of 100.00 and no deductions.
PayrollDraft valid() {
    PayrollDraft d;
    d.employer = QStringLiteral("Employer");
    d.employee = QStringLiteral("Employee");
    d.start = QDate(2026, 1, 1);
    d.end = QDate(2026, 1, 15);
    d.payday = QDate(2026, 1, 20);
    d.earnings[0].hourly = false;
    d.earnings[0].amount = QStringLiteral("100");
    return d;
}

Earning fixedEarning(const char *label, const char *amount, const char *ytd = "") {
    Earning e;
    e.label = QString::fromUtf8(label);
    e.hourly = false;
    e.amount = QString::fromUtf8(amount);
    e.ytd = QString::fromUtf8(ytd);
    return e;
}

Deduction deduction(const char *label, const char *amount, const char *ytd = "") {
    Deduction d;
    d.label = QString::fromUtf8(label);
    d.amount = QString::fromUtf8(amount);
    d.ytd = QString::fromUtf8(ytd);
    return d;
}

} // namespace

using Edit = std::function<void(PayrollDraft &)>;
Q_DECLARE_METATYPE(Edit)

class TestValidation : public QObject {
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void basicsStopBeforeAmounts();
    void sampleTotals();
    void ytdRule();
    void totalsFailOnFirstBadText();
};

void TestValidation::validate_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, Edit edit, const char *message) {
        QTest::newRow(name) << edit << QString::fromUtf8(message);
    };
    row(
        "default draft", [](PayrollDraft &d) { d = PayrollDraft(); }, "请填写雇主名称。");
    row(
        "valid", [](PayrollDraft &) {}, "");
    row(
        "employer spaces", [](PayrollDraft &d) { d.employer = "\u3000 "; }, "请填写雇主名称。");
    row(
        "employee blank", [](PayrollDraft &d) { d.employee = "\n"; }, "请填写员工姓名。");
    row(
        "employer before employee", [](PayrollDraft &d) { d.employer = d.employee = ""; },
        "请填写雇主名称。");
    row(
        "no dates", [](PayrollDraft &d) { d.start = d.end = d.payday = std::nullopt; },
        "请选择工资周期和付款日期。");
    row(
        "no payday", [](PayrollDraft &d) { d.payday.reset(); }, "请选择工资周期和付款日期。");
    row(
        "one-day period", [](PayrollDraft &d) { d.end = d.start; }, "");
    row(
        "end before start", [](PayrollDraft &d) { d.end = d.start->addDays(-1); },
        "周期结束日期不能早于开始日期。");
    row(
        "order before year", [](PayrollDraft &d) { d.start = QDate(2300, 1, 1); },
        "周期结束日期不能早于开始日期。");
    row(
        "payday 2200", [](PayrollDraft &d) { d.payday = QDate(2200, 1, 1); },
        "日期年份须在 1900–2199 之间。");
    row(
        "start 1899", [](PayrollDraft &d) { d.start = QDate(1899, 12, 31); },
        "日期年份须在 1900–2199 之间。");
    row(
        "years 1900 and 2199 pass",
        [](PayrollDraft &d) {
            d.start = QDate(1900, 1, 1);
            d.payday = QDate(2199, 12, 31);
        },
        "");
    row(
        "payday before period passes", [](PayrollDraft &d) { d.payday = QDate(2025, 1, 1); }, "");
    row(
        "31 deductions before a bad row",
        [](PayrollDraft &d) {
            d.deductions = QList<Deduction>(31);
            d.deductions[0].amount = "abc";
        },
        "每个分区最多 30 项。");
    row(
        "31 reimbursements", [](PayrollDraft &d) { d.reimbursements = QList<Reimbursement>(31); },
        "每个分区最多 30 项。");
    row(
        "30 earnings pass",
        [](PayrollDraft &d) {
            while (d.earnings.size() < 30)
                d.earnings.append(fixedEarning("", ""));
        },
        "");
    row(
        "blank earning row adds nothing",
        [](PayrollDraft &d) { d.earnings.append(fixedEarning("", "")); }, "");
    row(
        "unlabelled earning ytd",
        [](PayrollDraft &d) { d.earnings.append(fixedEarning(" ", "", "5")); },
        "有金额的收入须填写项目名称。");
    row(
        "earning amount error passes through",
        [](PayrollDraft &d) { d.earnings[0].amount = "1.234"; },
        "金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。");
    row(
        "earning ytd error passes through", [](PayrollDraft &d) { d.earnings[0].ytd = "$1"; },
        "请去掉 $ 和千位逗号，例如输入 1234.56。");
    row(
        "hours without rate",
        [](PayrollDraft &d) {
            Earning e;
            e.hours = "40";
            d.earnings.append(e);
        },
        "请填写工时与时薪。");
    row(
        "rate without hours",
        [](PayrollDraft &d) {
            Earning e;
            e.rate = "20";
            d.earnings.append(e);
        },
        "请填写工时与时薪。");
    row(
        "hourly both blank passes", [](PayrollDraft &d) { d.earnings.append(Earning()); }, "");
    row(
        "hourly zero hours with blank rate",
        [](PayrollDraft &d) {
            Earning e;
            e.hours = "0";
            d.earnings.append(e);
        },
        "");
    row(
        "hours past limit",
        [](PayrollDraft &d) {
            Earning e;
            e.hours = "100000";
            e.rate = "x";
            d.earnings.append(e);
        },
        "工时不能超过 99,999.99。");
    row(
        "hours checked only on hourly rows", [](PayrollDraft &d) { d.earnings[0].hours = "40"; },
        "");
    row(
        "amount ignored on hourly rows",
        [](PayrollDraft &d) {
            Earning e;
            e.amount = "junk";
            e.hours = "1";
            e.rate = "1";
            d.earnings.append(e);
        },
        "");
    row(
        "earning ytd below current", [](PayrollDraft &d) { d.earnings[0].ytd = "99.99"; },
        "年度累计需包含本期，不能小于本期金额。");
    row(
        "earning ytd equal passes", [](PayrollDraft &d) { d.earnings[0].ytd = "100"; }, "");
    row(
        "earning label before hours",
        [](PayrollDraft &d) {
            Earning e;
            e.label = "";
            e.hours = "40";
            e.ytd = "5";
            d.earnings.append(e);
        },
        "有金额的收入须填写项目名称。");
    row(
        "deduction ytd below",
        [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100", "99.99")}; },
        "年度累计需包含本期，不能小于本期金额。");
    row(
        "deduction blank ytd passes",
        [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100")}; }, "");
    row(
        "unlabelled deduction", [](PayrollDraft &d) { d.deductions = {deduction("", "", "1")}; },
        "有金额的扣款须填写项目名称。");
    row(
        "earnings checked before deductions",
        [](PayrollDraft &d) {
            d.deductions = {deduction("", "1")};
            d.earnings[0].ytd = "1";
        },
        "年度累计需包含本期，不能小于本期金额。");
    row(
        "unlabelled reimbursement", [](PayrollDraft &d) { d.reimbursements[0].amount = "0.01"; },
        "有金额的报销须填写项目名称。");
    row(
        "zero gross", [](PayrollDraft &d) { d.earnings[0].amount = "0"; },
        "请填写至少一项大于零的本期收入。");
    row(
        "net zero passes", [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100.00")}; },
        "");
    row(
        "net negative", [](PayrollDraft &d) { d.deductions = {deduction("Tax", "100.01")}; },
        "净支付金额不能为负数，请检查收入和扣款。");
    row(
        "reimbursement raises net",
        [](PayrollDraft &d) {
            d.deductions = {deduction("Tax", "120")};
            d.reimbursements = {Reimbursement{QUuid::createUuid(), "Travel", "20"}};
        },
        "");
}

void TestValidation::validate() {
    QFETCH(Edit, edit);
    QFETCH(QString, message);
    PayrollDraft d = valid();
    edit(d);
    const PayrollDraft before = d;
    QCOMPARE(messageOf([&] { d.validate(); }), message);
    QVERIFY(d == before); // validation never changes the draft
}

void TestValidation::basicsStopBeforeAmounts() {
    PayrollDraft d;
    d.employer = QStringLiteral("E");
    d.employee = QStringLiteral("P");
    QCOMPARE(messageOf([&] { d.validateBasics(); }), QStringLiteral("请选择工资周期和付款日期。"));
    PayrollDraft ok = valid();
    ok.earnings[0].amount = QStringLiteral("abc");
    QCOMPARE(messageOf([&] { ok.validateBasics(); }), QString()); // amounts are not its business
}

void TestValidation::sampleTotals() {
    const PayrollDraft s = PayrollDraft::sample();
    QCOMPARE(messageOf([&] { s.validate(); }), QString());
    const PayrollTotals t = s.totals();
    QCOMPARE(t.gross, qint64(270000));
    QCOMPARE(t.deducted, qint64(36862));
    QCOMPARE(t.reimbursed, qint64(0));
    QCOMPARE(t.net(), qint64(233138));
    QCOMPARE(t.grossYTD, std::optional<qint64>(1600000));
    QCOMPARE(t.deductionsYTD, std::optional<qint64>(217387));
}

void TestValidation::ytdRule() {
    PayrollDraft d = valid();
    QCOMPARE(d.totals().grossYTD, std::nullopt); // all blank
    d.earnings.append(fixedEarning("Bonus", "50"));
    d.earnings[0].ytd = QStringLiteral("300");
    QCOMPARE(d.totals().grossYTD, std::nullopt); // a paid row without ytd
    d.earnings[1].amount = QStringLiteral("0");
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(30000)); // unpaid row may be blank
    d.earnings[1].ytd = QStringLiteral("12.34");
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(31234));
    d.deductions = {deduction("Tax", "", "5"), deduction("EI", "0")};
    QCOMPARE(d.totals().deductionsYTD, std::optional<qint64>(500));
    PayrollDraft empty;
    empty.earnings.clear();
    empty.deductions.clear();
    empty.reimbursements.clear();
    const PayrollTotals t = empty.totals();
    QVERIFY(t.gross == 0 && t.deducted == 0 && t.reimbursed == 0 && !t.grossYTD &&
            !t.deductionsYTD);
}

void TestValidation::totalsFailOnFirstBadText() {
    PayrollDraft d = valid();
    d.reimbursements[0].amount = QStringLiteral("1,0");
    d.deductions[0].ytd = QStringLiteral("x");
    QCOMPARE(
        messageOf([&] { d.totals(); }),
        QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。")); // reimbursements before ytd
}

QTEST_APPLESS_MAIN(TestValidation)
#include "test_validation.moc"
