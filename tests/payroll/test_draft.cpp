#include "payroll/money.h"
#include "payroll/payroll_draft.h"

#include <QtTest>

#include <functional>

class TestDraft : public QObject {
    Q_OBJECT
private slots:
    void rows();
    void filename_data();
    void filename();
    void equality();
    void replacements();
};

// Every row of every new draft has its own identity; a row's current amount follows its
// kind, whatever the other kind's fields hold.
void TestDraft::rows() {
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

    Earning e;
    e.hourly = false;
    e.amount = QStringLiteral("12.50");
    e.hours = QStringLiteral("abc");
    QCOMPARE(e.current(), qint64(1250));
    e.hourly = true;
    e.hours = QStringLiteral("40");
    e.rate = QStringLiteral("25");
    e.amount = QStringLiteral("x$y");
    QCOMPARE(e.readableCurrent(), std::optional<qint64>(100000));
    e.rate = QStringLiteral("2,5");
    QCOMPARE(e.readableCurrent(), std::nullopt);
}

void TestDraft::filename_data() {
    QTest::addColumn<QString>("employee");
    QTest::addColumn<bool>("dated");
    QTest::addColumn<QString>("name");
    const auto row = [](const char *name, const QString &employee, const QString &person) {
        QTest::newRow(name) << employee << false << QStringLiteral("Corvane_") + person + "__";
    };
    row("breakers and spaces", QStringLiteral("  A/B:C  "), QStringLiteral("A_B_C"));
    row("blank", QStringLiteral(" \t"), QStringLiteral("Employee"));
    row("each breaker", QStringLiteral("a\\b*c?d\"e<f>g|h"), QStringLiteral("a_b_c_d_e_f_g_h"));
    row("two in a row", QStringLiteral("a//b"), QStringLiteral("a__b"));
    row("control and format", QStringLiteral("a\u0007b\u200Dc\U000E0001d"),
        QStringLiteral("a_b_c_d"));
    row("chinese", QStringLiteral("王小明"), QStringLiteral("王小明"));
    row("seventy of a hundred", QString(100, u'x'), QString(70, u'x'));
    // The cut counts characters as a person sees them: a flag is the 70th.
    const QString flag = QStringLiteral("\U0001F1E8\U0001F1E6");
    row("flag as the seventieth", QString(69, u'a') + flag + "zzz", QString(69, u'a') + flag);
    // Name and ".pdf" stay within 255 bytes (241 for the person without dates), never
    // splitting a character: 48 letters of 5 bytes fit.
    const QString accented = QStringLiteral("e\u0301\u0323");
    row("byte limit", accented.repeated(80), accented.repeated(48));
    row("exactly at the byte limit", u'x' + accented.repeated(60), u'x' + accented.repeated(48));
    QTest::newRow("seventy emoji keep their dates")
        << QStringLiteral("\U0001F600").repeated(70) << true
        << QStringLiteral("Corvane_") + QStringLiteral("\U0001F600").repeated(55) +
               QStringLiteral("_2026-06-01_2026-06-30");
    QTest::newRow("dated, space kept")
        << QStringLiteral("Velo Marrick") << true
        << QStringLiteral("Corvane_Velo Marrick_2026-06-01_2026-06-30");
}

void TestDraft::filename() {
    QFETCH(QString, employee);
    QFETCH(bool, dated);
    QFETCH(QString, name);
    PayrollDraft d;
    d.employee = employee;
    d.start = dated ? std::optional(QDate(2026, 6, 1)) : std::nullopt;
    d.end = dated ? std::optional(QDate(2026, 6, 30)) : std::nullopt;
    QCOMPARE(d.filename(), name);
    QVERIFY((name + QStringLiteral(".pdf")).toUtf8().size() <= 255);
}

void TestDraft::equality() {
    const PayrollDraft a = PayrollDraft::sample();
    QVERIFY(a == PayrollDraft(a));
    const std::function<void(PayrollDraft &)> edits[] = {
        [](PayrollDraft &d) { d.deductions[2].id = QUuid::createUuid(); },
        [](PayrollDraft &d) { d.reimbursements[0].label = QStringLiteral(" "); },
        [](PayrollDraft &d) { d.end.reset(); },
        [](PayrollDraft &d) { d.earnings[0].hourly = false; }};
    for (const auto &edit : edits) {
        PayrollDraft b = a;
        edit(b);
        QVERIFY(!(a == b));
    }
    // Canonically equivalent texts are equal: é precomposed and decomposed.
    PayrollDraft c = a, e = a;
    c.employee = QStringLiteral("Ren\u00E9");
    e.employee = QStringLiteral("Rene\u0301");
    QVERIFY(c == e);
    QVERIFY(PayrollDraft() != PayrollDraft()); // fresh row ids differ
}

// What each whole-draft action puts in place of a filled-in draft.
void TestDraft::replacements() {
    PayrollDraft d = PayrollDraft::sample();
    d.notes = QStringLiteral("note");
    d.a4 = true;
    d.currency = QStringLiteral("USD");
    d.payment = PaymentCode::cheque;
    d.reimbursements[0].label = QStringLiteral("Travel");
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

QTEST_APPLESS_MAIN(TestDraft)
#include "test_draft.moc"
