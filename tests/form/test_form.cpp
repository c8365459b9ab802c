#include "app/field_errors.h"
#include "corvane/version.h"
#include "form/amount_field.h"
#include "form/item_list_section.h"
#include "form/limited_field.h"
#include "form/line_item_editors.h"
#include "form/optional_date_field.h"
#include "form/payroll_form.h"
#include "form/row_heading.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

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
    EarningEditor *earning(int i) {
        return static_cast<EarningEditor *>(form.earningsSection()->editors()[i]);
    }
    DeductionEditor *deduction(int i) {
        return static_cast<DeductionEditor *>(form.deductionsSection()->editors()[i]);
    }
    QStringList totals() {
        return {form.earningsSection()->total()->valueText(),
                form.deductionsSection()->total()->valueText(),
                form.reimbursementsSection()->total()->valueText()};
    }
};

void type(QLineEdit *edit, const QString &text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
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
    void hourlyToFixedWritesTheAmount_data();
    void hourlyToFixedWritesTheAmount();
    void rowsComeAndGo();
    void runningTotalsFollowEdits();
    void minimumOfYearToDate();
    void notesAndDisplaySettings();
    void rowsSayWhichRowTheyAre();
};

void TestForm::basicStep() {
    Fixture f(WorkflowStep::basic);
    QVERIFY(!f.form.notesEditor() && !f.form.earningsSection() && !f.form.paperChoice());
    QStringList labels;
    for (const QLabel *l : f.form.findChildren<QLabel *>())
        labels.append(l->text());
    QVERIFY(labels.contains(u"Corvane "_s + QLatin1String(corvaneVersion)));
    QCOMPARE(f.form.paymentChoice()->itemText(1), u"支票"_s);
    f.form.paymentChoice()->setCurrentIndex(1);
    QCOMPARE(f.draft.payment, u"CHEQUE"_s);
    QSignalSpy edited(&f.form, &PayrollForm::edited);
    type(f.form.employerField()->input(), u"Maple"_s);
    QCOMPARE(f.draft.employer, u"Maple"_s);
    QCOMPARE(edited.count(), 5); // one per keystroke
    QCOMPARE(nextTab(f.form.employerField()->input()), f.form.employeeField()->input());
    QCOMPARE(nextTab(f.form.employeeField()->input()), f.form.dateFields()[0]->chooseButton());
}

void TestForm::hourlyToFixedWritesTheAmount_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("current"); // the row's current amount while hourly
    QTest::newRow("whole") << u"40"_s << u"25"_s << u"1000"_s << u"$1,000.00"_s;
    QTest::newRow("rounded") << u"7.5"_s << u"19.99"_s << u"149.93"_s << u"$149.93"_s;
    QTest::newRow("cents") << u"0.5"_s << u"0.1"_s << u"0.05"_s << u"$0.05"_s;
    QTest::newRow("unreadable keeps the amount") << u"abc"_s << u"25"_s << u"previous"_s << u"—"_s;
}

void TestForm::hourlyToFixedWritesTheAmount() {
    QFETCH(QString, hours);
    QFETCH(QString, rate);
    QFETCH(QString, amount);
    QFETCH(QString, current);
    Fixture f(WorkflowStep::amounts);
    f.draft.earnings[0].amount = u"previous"_s;
    EarningEditor *editor = f.earning(0);
    type(editor->hoursField()->input(), hours);
    type(editor->rateField()->input(), rate);
    QCOMPARE(editor->currentText(), current);
    QTest::mouseClick(editor->fixedButton(), Qt::LeftButton);
    QVERIFY(!f.draft.earnings[0].hourly && !editor->hoursField());
    QCOMPARE(f.draft.earnings[0].amount, amount);
    QCOMPARE(editor->amountField()->input()->text(), amount);
    QTest::mouseClick(editor->hourlyButton(), Qt::LeftButton);
    QCOMPARE(editor->hoursField()->input()->text(), hours); // hours and rate come back as they were
    QCOMPARE(editor->rateField()->input()->text(), rate);
    QCOMPARE(f.draft.earnings[0].amount, amount);
}

// A removed row takes exactly itself away; the others keep their editors and state. Adding
// stops at the limit.
void TestForm::rowsComeAndGo() {
    Fixture f(WorkflowStep::amounts);
    type(f.deduction(0)->amountField()->input(), u"1,5"_s);
    type(f.deduction(3)->amountField()->input(), u"9"_s);
    LineItemEditor *first = f.deduction(0);
    const QUuid removed = f.draft.deductions[1].id;
    removeRow(f.deduction(1));
    QCOMPARE(f.draft.deductions.size(), 3);
    QVERIFY(f.draft.deductions[1].id != removed);
    QCOMPARE(f.draft.deductions[2].amount, u"9"_s);
    QCOMPARE(f.form.deductionsSection()->editors()[0], first);
    QVERIFY(f.deduction(0)->amountField()->touched());
    QCOMPARE(f.deduction(2)->heading()->labelField()->input()->text(), u"Canada Pension Plan"_s);
    f.draft.earnings.resize(PayrollDraft::maximumRows - 1);
    f.form.reload();
    QPushButton *add = f.form.earningsSection()->addButton();
    QTest::mouseClick(add, Qt::LeftButton);
    QCOMPARE(f.form.earningsSection()->editors().size(), PayrollDraft::maximumRows);
    QVERIFY(f.draft.earnings.last().hourly && f.draft.earnings.last().label.isEmpty());
    QVERIFY(!add->isEnabled());
    removeRow(f.earning(5));
    QCOMPARE(f.draft.earnings.size(), PayrollDraft::maximumRows - 1);
    QVERIFY(add->isEnabled());
}

void TestForm::runningTotalsFollowEdits() {
    Fixture f(WorkflowStep::amounts, PayrollDraft::sample());
    QCOMPARE(f.totals(), QStringList({"$2,700.00", "$368.62", "$0.00"}));
    QLineEdit *reimbursement =
        static_cast<ReimbursementEditor *>(f.form.reimbursementsSection()->editors()[0])
            ->amountField()
            ->input();
    type(reimbursement, u"12.5"_s);
    QCOMPARE(f.totals(), QStringList({"$2,700.00", "$368.62", "$12.50"}));
    type(reimbursement, u"12.5x"_s);
    QCOMPARE(f.totals(), QStringList({"—", "—", "—"})); // one unreadable amount anywhere
}

void TestForm::minimumOfYearToDate() {
    Fixture f(WorkflowStep::amounts);
    DeductionEditor *deduction = f.deduction(0);
    type(deduction->amountField()->input(), u"100"_s);
    type(deduction->ytdField()->input(), u"99.99"_s);
    deduction->amountField()->input()->setFocus();
    QCOMPARE(deduction->ytdField()->messageLine()->text(),
             u"! 年度累计需包含本期，不能小于 $100.00"_s);
    type(deduction->amountField()->input(), QString()); // a blank amount: the minimum is 0
    QVERIFY(!deduction->ytdField()->messageLine()->isVisible());
    EarningEditor *earning = f.earning(0);
    type(earning->hoursField()->input(), u"40"_s);
    type(earning->rateField()->input(), u"25"_s);
    type(earning->ytdField()->input(), u"999.99"_s);
    FieldErrors::setShown(&f.form, true);
    QCOMPARE(earning->ytdField()->messageLine()->text(),
             u"! 年度累计需包含本期，不能小于 $1,000.00"_s);
}

void TestForm::notesAndDisplaySettings() {
    Fixture f(WorkflowStep::amounts);
    QPlainTextEdit *notes = f.form.notesEditor();
    const QString long2500 = u"abcdefghijklmnopqrstuvwxyz"_s.repeated(97).left(2500);
    QApplication::clipboard()->setText(long2500);
    notes->setFocus();
    notes->paste();
    QCOMPARE(f.draft.notes, long2500.left(2000));
    QCOMPARE(notes->toPlainText(), long2500.left(2000));
    // Typing in the middle of full notes: the caret stays after what was kept.
    QTextCursor cursor = notes->textCursor();
    cursor.setPosition(10);
    notes->setTextCursor(cursor);
    QTest::keyClicks(notes, u"XY"_s);
    QCOMPARE(f.draft.notes.mid(10, 2), u"XY"_s);
    QCOMPARE(notes->textCursor().position(), 12);
    // What is pasted is stored as it is: no-break space, line separator, line break.
    notes->clear();
    QApplication::clipboard()->setText(u"a\u00A0b\u2028c\nd"_s);
    notes->paste();
    QCOMPARE(f.draft.notes, u"a\u00A0b\u2028c\nd"_s);
    f.form.paperChoice()->setCurrentIndex(f.form.paperChoice()->findText(u"A4"_s));
    f.form.currencyChoice()->setCurrentIndex(f.form.currencyChoice()->findText(u"USD $"_s));
    QVERIFY(f.draft.a4 && f.draft.currency == u"USD"_s);
    f.form.setStage(WorkflowStep::basic);
    f.form.setStage(WorkflowStep::amounts); // shown from the draft again
    QCOMPARE(f.form.paperChoice()->currentText(), u"A4"_s);
    QCOMPARE(f.form.currencyChoice()->currentText(), u"USD $"_s);
}

// Every row has the same fields: their names carry the row, and Tab follows the rows. The
// hourly/fixed choice is one group of radio buttons.
void TestForm::rowsSayWhichRowTheyAre() {
    Fixture f(WorkflowStep::amounts);
    QTest::mouseClick(f.form.earningsSection()->addButton(), Qt::LeftButton);
    // A row added at the end is reached before the add button, not after everything.
    QCOMPARE(nextTab(f.earning(1)->ytdField()->input()),
             static_cast<QWidget *>(f.form.earningsSection()->addButton()));
    QCOMPARE(f.earning(1)->heading()->labelField()->input()->accessibleName(),
             u"第 2 行 项目名称"_s);
    QCOMPARE(f.deduction(3)->heading()->removeButton()->accessibleName(),
             u"第 4 行 删除这一行项目"_s);
    removeRow(f.earning(0));
    QTest::mouseClick(f.earning(0)->fixedButton(), Qt::LeftButton);
    QCOMPARE(f.earning(0)->heading()->labelField()->input()->accessibleName(),
             u"第 1 行 项目名称"_s);
    QCOMPARE(f.earning(0)->amountField()->input()->accessibleName(), u"第 1 行 本期收入"_s);
    QAccessibleInterface *hourly =
        QAccessible::queryAccessibleInterface(f.earning(0)->hourlyButton());
    QAccessibleInterface *fixed =
        QAccessible::queryAccessibleInterface(f.earning(0)->fixedButton());
    QCOMPARE(hourly->role(), QAccessible::RadioButton);
    QCOMPARE(hourly->text(QAccessible::Name), u"按工时"_s);
    QVERIFY(!hourly->state().checked && fixed->state().checked);
    QCOMPARE(hourly->parent()->role(), QAccessible::Grouping);
    QCOMPARE(hourly->parent()->text(QAccessible::Name), u"第 1 行 计算方式"_s);
}

QTEST_MAIN(TestForm)
#include "test_form.moc"
