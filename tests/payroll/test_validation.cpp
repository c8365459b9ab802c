#include "message_of.h"
#include "payroll/money.h"
#include "payroll/payroll_draft.h"

#include <QtTest>

#include <functional>

namespace {

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
    d.deductions.clear();
    return d;
}

Earning earning(const char *label, const char *hours, const char *rate, const char *ytd = "") {
    Earning e;
    e.label = QString::fromUtf8(label);
    e.hours = QString::fromUtf8(hours);
    e.rate = QString::fromUtf8(rate);
    e.ytd = QString::fromUtf8(ytd);
    return e;
}

Deduction deduction(const char *label, const char *amount, const char *ytd = "") {
    return {QUuid::createUuid(), QString::fromUtf8(label), QString::fromUtf8(amount),
            QString::fromUtf8(ytd)};
}

const char *const ytdBelow = "年度累计需包含本期，不能小于本期金额。";

} // namespace

using Edit = std::function<void(PayrollDraft &)>;
Q_DECLARE_METATYPE(Edit)

class TestValidation : public QObject {
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void totals();
};

void TestValidation::validate_data() {
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const char *message, Edit edit) {
        QTest::newRow(name) << edit << QString::fromUtf8(message);
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
    row("earning amount error passes through",
        "金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。",
        [](PayrollDraft &d) { d.earnings[0].amount = "1.234"; });
    row("earning ytd error passes through", "请去掉 $ 和千位逗号，例如输入 1234.56。",
        [](PayrollDraft &d) { d.earnings[0].ytd = "$1"; });
    row("hours without rate", "请填写工时与时薪。",
        [](PayrollDraft &d) { d.earnings.append(earning("", "40", "")); });
    row("rate without hours", "请填写工时与时薪。",
        [](PayrollDraft &d) { d.earnings.append(earning("", "", "20")); });
    row("zero hours with blank rate", "",
        [](PayrollDraft &d) { d.earnings.append(earning("", "0", "")); });
    row("hours past limit", "工时不能超过 99,999.99。",
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
        d.reimbursements = {Reimbursement{QUuid::createUuid(), "Travel", "20"}};
    });
}

// The throwing check and its non-throwing twin agree, and neither changes the draft.
void TestValidation::validate() {
    QFETCH(Edit, edit);
    QFETCH(QString, message);
    PayrollDraft d = valid();
    edit(d);
    const PayrollDraft before = d;
    QCOMPARE(messageOf([&] { d.validate(); }), message);
    QCOMPARE(d.problem().value_or(QString()), message);
    QVERIFY(d == before);
}

void TestValidation::totals() {
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
    d.earnings[0].ytd = QStringLiteral("300");
    QCOMPARE(d.totals().grossYTD, std::nullopt);
    d.earnings[1].hours = QStringLiteral("0");
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(30000)); // an unpaid row may be blank
    d.earnings[1].ytd = QStringLiteral("12.34");
    QCOMPARE(d.totals().grossYTD, std::optional<qint64>(31234));
    d.deductions = {deduction("Tax", "", "5"), deduction("EI", "0")};
    QCOMPARE(d.totals().deductionsYTD, std::optional<qint64>(500));

    // The first unreadable text, in statement order, is the one reported.
    d.reimbursements[0].amount = QStringLiteral("1,0");
    d.deductions[0].ytd = QStringLiteral("x");
    QCOMPARE(messageOf([&] { d.totals(); }),
             QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。"));
    QCOMPARE(d.readableTotals(), std::nullopt);
}

QTEST_APPLESS_MAIN(TestValidation)
#include "test_validation.moc"
