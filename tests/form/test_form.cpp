#include "app/field_errors.h"
#include "corvane/version.h"
#include "form/amount_field.h"
#include "form/form_section.h"
#include "form/item_list_section.h"
#include "form/limited_field.h"
#include "form/line_item_editors.h"
#include "form/optional_date_field.h"
#include "form/payroll_form.h"
#include "form/row_heading.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

struct Fixture {
    PayrollDraft draft;
    PayrollForm form;
    explicit Fixture(WorkflowStep step, PayrollDraft d = PayrollDraft())
        : draft(std::move(d)), form(&draft, step) {
        form.resize(520, 900);
        form.show();
        QApplication::setActiveWindow(&form);
        if (!QTest::qWaitForWindowActive(&form)) qWarning("form not active");
    }
};

void type(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

QStringList texts(const QWidget *root) {
    QStringList all;
    for (const QLabel *l : root->findChildren<QLabel *>())
        if (l->isVisibleTo(root)) all.append(l->text());
    return all;
}

template <typename Editor> QList<Editor *> editorsOf(ItemListSection *section) {
    QList<Editor *> out;
    for (LineItemEditor *e : section->editors())
        out.append(static_cast<Editor *>(e));
    return out;
}

// The next widget that Tab reaches.
QWidget *nextTab(QWidget *w) {
    for (QWidget *next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisible() && next->isEnabled())
            return next;
    return w;
}

void removeRow(LineItemEditor *editor) {
    QTest::mouseClick(editor->heading()->removeButton(), Qt::LeftButton);
    QApplication::processEvents(); // removal runs after the click
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestForm : public QObject {
    Q_OBJECT
private slots:
    void basicStep();
    void amountsStepOfDefaultDraft();
    void hourlyToFixedWritesTheAmount_data();
    void hourlyToFixedWritesTheAmount();
    void removingARowRemovesExactlyIt();
    void addButtonsStopAt30();
    void runningTotalsFollowEdits();
    void minimumOfYearToDate();
    void notesAndDisplaySettings();
    void tabOrderFollowsLayout();
};

void TestForm::basicStep() {
    Fixture f(WorkflowStep::basic);
    QCOMPARE(f.form.sections().size(), 2);
    QCOMPARE(f.form.employerField()->limit(), 120);
    QCOMPARE(f.form.employeeField()->limit(), 100);
    QCOMPARE(f.form.dateFields().size(), 3);
    QVERIFY(!f.form.notesEditor() && !f.form.earningsSection() && !f.form.paperChoice());
    QVERIFY(texts(&f.form).contains(QStringLiteral("Corvane ") + QLatin1String(corvaneVersion)));
    QStringList options;
    for (int i = 0; i < f.form.paymentChoice()->count(); ++i)
        options.append(f.form.paymentChoice()->itemText(i));
    QCOMPARE(options, QStringList({"银行转账", "支票", "现金", "其他"}));
    f.form.paymentChoice()->setCurrentIndex(1);
    QCOMPARE(f.draft.payment, QStringLiteral("CHEQUE"));

    QSignalSpy edited(&f.form, &PayrollForm::edited);
    type(f.form.employerField()->input(), QStringLiteral("Maple"));
    QCOMPARE(f.draft.employer, QStringLiteral("Maple"));
    QCOMPARE(edited.count(), 5); // one per keystroke
}

void TestForm::amountsStepOfDefaultDraft() {
    Fixture f(WorkflowStep::amounts);
    QCOMPARE(f.form.sections().size(), 6);
    QCOMPARE(f.form.earningsSection()->editors().size(), 1);
    QCOMPARE(f.form.deductionsSection()->editors().size(), 4);
    QCOMPARE(f.form.reimbursementsSection()->editors().size(), 1);
    auto *earning = editorsOf<EarningEditor>(f.form.earningsSection()).first();
    QCOMPARE(earning->currentText(), QStringLiteral("$0.00"));
    QVERIFY(earning->hourlyButton()->isChecked() && earning->hoursField() && earning->rateField());
    QCOMPARE(editorsOf<DeductionEditor>(f.form.deductionsSection())
                 .first()
                 ->heading()
                 ->removeButton()
                 ->accessibleName(),
             QStringLiteral("删除这一行项目"));
}

void TestForm::hourlyToFixedWritesTheAmount_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("current"); // the row's current amount while hourly
    const auto row = [](const char *name, const char *h, const char *r, const char *a,
                        const char *c) {
        QTest::newRow(name) << QString::fromUtf8(h) << QString::fromUtf8(r) << QString::fromUtf8(a)
                            << QString::fromUtf8(c);
    };
    row("whole", "40", "25", "1000", "$1,000.00");
    row("rounded like hours × rate", "7.5", "19.99", "149.93", "$149.93");
    row("cents", "0.5", "0.1", "0.05", "$0.05");
    row("unreadable hours keep the amount", "abc", "25", "previous", "—");
}

void TestForm::hourlyToFixedWritesTheAmount() {
    QFETCH(QString, hours);
    QFETCH(QString, rate);
    QFETCH(QString, amount);
    QFETCH(QString, current);
    Fixture f(WorkflowStep::amounts);
    f.draft.earnings[0].amount = QStringLiteral("previous");
    auto *editor = editorsOf<EarningEditor>(f.form.earningsSection()).first();
    type(editor->hoursField()->input(), hours);
    type(editor->rateField()->input(), rate);
    QCOMPARE(editor->currentText(), current);
    QTest::mouseClick(editor->fixedButton(), Qt::LeftButton);
    QVERIFY(!f.draft.earnings[0].hourly);
    QCOMPARE(f.draft.earnings[0].amount, amount);
    QVERIFY(editor->amountField() && !editor->hoursField());
    QCOMPARE(editor->amountField()->input()->text(), amount);
    QTest::mouseClick(editor->hourlyButton(), Qt::LeftButton);
    QCOMPARE(editor->hoursField()->input()->text(), hours); // hours and rate come back as they were
    QCOMPARE(editor->rateField()->input()->text(), rate);
    QCOMPARE(f.draft.earnings[0].amount, amount);
}

void TestForm::removingARowRemovesExactlyIt() {
    Fixture f(WorkflowStep::amounts);
    auto editors = editorsOf<DeductionEditor>(f.form.deductionsSection());
    type(editors[0]->amountField()->input(), QStringLiteral("1,5"));
    type(editors[3]->amountField()->input(), QStringLiteral("9"));
    editors[3]->amountField()->input()->clearFocus();
    const QUuid kept0 = f.draft.deductions[0].id, removed = f.draft.deductions[1].id;
    removeRow(editors[1]);
    QCOMPARE(f.draft.deductions.size(), 3);
    QCOMPARE(f.draft.deductions[0].id, kept0);
    QVERIFY(f.draft.deductions[1].id != removed);
    QCOMPARE(f.draft.deductions[1].label, QStringLiteral("Employment Insurance"));
    QCOMPARE(f.draft.deductions[2].amount, QStringLiteral("9"));
    const auto after = editorsOf<DeductionEditor>(f.form.deductionsSection());
    QCOMPARE(after.size(), 3);
    QCOMPARE(after[0], editors[0]); // the same editor, with its state
    QCOMPARE(after[0]->amountField()->input()->text(), QStringLiteral("1,5"));
    QVERIFY(after[0]->amountField()->touched());
    QCOMPARE(after[2]->heading()->labelField()->input()->text(),
             QStringLiteral("Canada Pension Plan"));
}

void TestForm::addButtonsStopAt30() {
    PayrollDraft d;
    while (d.earnings.size() < 29)
        d.earnings.append(Earning());
    Fixture f(WorkflowStep::amounts, d);
    QPushButton *add = f.form.earningsSection()->addButton();
    QVERIFY(add->isEnabled());
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(f.draft.earnings.size(), 30);
    QVERIFY(f.draft.earnings.last().label.isEmpty()); // a new earning has no description
    QVERIFY(f.draft.earnings.last().hourly);
    QVERIFY(!add->isEnabled());
    QCOMPARE(f.form.earningsSection()->editors().size(), 30);
    removeRow(f.form.earningsSection()->editors()[5]);
    QCOMPARE(f.draft.earnings.size(), 29);
    QVERIFY(add->isEnabled());

    QTest::mouseClick(f.form.reimbursementsSection()->addButton(), Qt::LeftButton);
    QCOMPARE(f.draft.reimbursements.size(), 2);
    QCOMPARE(f.form.reimbursementsSection()->editors().size(), 2);
}

void TestForm::runningTotalsFollowEdits() {
    Fixture f(WorkflowStep::amounts, PayrollDraft::sample());
    auto totals = [&f] {
        return QStringList{f.form.earningsSection()->total()->valueText(),
                           f.form.deductionsSection()->total()->valueText(),
                           f.form.reimbursementsSection()->total()->valueText()};
    };
    QCOMPARE(totals(), QStringList({"$2,700.00", "$368.62", "$0.00"}));
    auto reimbursement = editorsOf<ReimbursementEditor>(f.form.reimbursementsSection()).first();
    type(reimbursement->amountField()->input(), QStringLiteral("12.5"));
    QCOMPARE(totals(), QStringList({"$2,700.00", "$368.62", "$12.50"}));
    type(reimbursement->amountField()->input(), QStringLiteral("12.5x"));
    QCOMPARE(totals(), QStringList({"—", "—", "—"})); // one unreadable amount anywhere
    PayrollDraft empty;
    empty.deductions.clear();
    Fixture g(WorkflowStep::amounts, empty);
    QCOMPARE(g.form.deductionsSection()->editors().size(), 0);
    QCOMPARE(g.form.deductionsSection()->total()->valueText(), QStringLiteral("$0.00"));
}

void TestForm::minimumOfYearToDate() {
    Fixture f(WorkflowStep::amounts);
    auto deduction = editorsOf<DeductionEditor>(f.form.deductionsSection()).first();
    type(deduction->amountField()->input(), QStringLiteral("100"));
    type(deduction->ytdField()->input(), QStringLiteral("99.99"));
    deduction->amountField()->input()->setFocus();
    QCOMPARE(deduction->ytdField()->messageLine()->text(),
             QStringLiteral("! 年度累计需包含本期，不能小于 $100.00"));
    type(deduction->amountField()->input(), QString()); // a blank amount: the minimum is 0
    QVERIFY(!deduction->ytdField()->messageLine()->isVisible());

    auto earning = editorsOf<EarningEditor>(f.form.earningsSection()).first();
    type(earning->hoursField()->input(), QStringLiteral("40"));
    type(earning->rateField()->input(), QStringLiteral("25"));
    type(earning->ytdField()->input(), QStringLiteral("999.99"));
    FieldErrors::setShown(&f.form, true);
    QCOMPARE(earning->ytdField()->messageLine()->text(),
             QStringLiteral("! 年度累计需包含本期，不能小于 $1,000.00"));
    type(earning->ytdField()->input(), QStringLiteral("1000"));
    QVERIFY(!earning->ytdField()->messageLine()->isVisible());
}

void TestForm::notesAndDisplaySettings() {
    Fixture f(WorkflowStep::amounts);
    QString long2500;
    for (int i = 0; i < 2500; ++i)
        long2500 += QChar(u'a' + i % 26);
    QApplication::clipboard()->setText(long2500);
    f.form.notesEditor()->setFocus();
    f.form.notesEditor()->paste();
    QCOMPARE(f.draft.notes, long2500.left(2000));
    QCOMPARE(f.form.notesEditor()->toPlainText(), long2500.left(2000));
    // Typing in the middle of full notes: the caret stays after what was kept.
    QTextCursor cursor = f.form.notesEditor()->textCursor();
    cursor.setPosition(10);
    f.form.notesEditor()->setTextCursor(cursor);
    QTest::keyClicks(f.form.notesEditor(), QStringLiteral("XY"));
    QCOMPARE(f.draft.notes.mid(10, 2), QStringLiteral("XY"));
    QCOMPARE(f.form.notesEditor()->textCursor().position(), 12);
    // What is pasted is stored as it is: no-break space, line separator, line break.
    f.form.notesEditor()->clear();
    QApplication::clipboard()->setText(QStringLiteral("a\u00A0b\u2028c\nd"));
    f.form.notesEditor()->paste();
    QCOMPARE(f.draft.notes, QStringLiteral("a\u00A0b\u2028c\nd"));
    f.form.paperChoice()->setCurrentIndex(f.form.paperChoice()->findText(QStringLiteral("A4")));
    QVERIFY(f.draft.a4);
    f.form.currencyChoice()->setCurrentIndex(
        f.form.currencyChoice()->findText(QStringLiteral("USD $")));
    QCOMPARE(f.draft.currency, QStringLiteral("USD"));
    f.form.setStage(WorkflowStep::basic);
    f.form.setStage(WorkflowStep::amounts);
    QCOMPARE(f.form.paperChoice()->currentText(),
             QStringLiteral("A4")); // shown from the draft again
    QCOMPARE(f.form.currencyChoice()->currentText(), QStringLiteral("USD $"));
}

void TestForm::tabOrderFollowsLayout() {
    Fixture f(WorkflowStep::basic);
    QWidget *w = f.form.employerField()->input();
    QCOMPARE(nextTab(w), f.form.employeeField()->input());
    QCOMPARE(nextTab(f.form.employeeField()->input()), f.form.dateFields()[0]->chooseButton());
    Fixture g(WorkflowStep::amounts);
    QTest::mouseClick(g.form.earningsSection()->addButton(), Qt::LeftButton);
    auto earnings = editorsOf<EarningEditor>(g.form.earningsSection());
    // A row added at the end is reached before the add button, not after everything.
    QCOMPARE(nextTab(earnings[1]->ytdField()->input()),
             static_cast<QWidget *>(g.form.earningsSection()->addButton()));
}

QTEST_MAIN(TestForm)
#include "test_form.moc"
