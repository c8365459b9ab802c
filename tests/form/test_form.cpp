#include "app/field_errors.h"
#include "corvane/version.h"
#include "form/amount_field.h"
#include "form/field_rules.h"
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

// A window holding the field under test and a second input to move focus to.
struct Host {
    QWidget window;
    QLineEdit *elsewhere;
    QString text;
    std::optional<QDate> date;

    Host() : elsewhere(new QLineEdit(&window)) { new QVBoxLayout(&window); }
    Binding<QString> textBinding() {
        return {[this] { return text; }, [this](const QString &v) { text = v; }};
    }
    template <typename Field> Field *add(Field *field) {
        window.layout()->addWidget(field);
        window.layout()->addWidget(elsewhere);
        window.show();
        QApplication::setActiveWindow(&window);
        if (!QTest::qWaitForWindowActive(&window)) qWarning("window not active");
        // Let activation settle on the other input, so only the test moves focus.
        elsewhere->setFocus(Qt::OtherFocusReason);
        QTest::qWait(10);
        return field;
    }
};

QString shown(const ValidatedField *field) {
    return field->messageLine()->isVisible() ? field->messageLine()->text() : QString();
}

// As a click would: a tab into a line edit would select its text.
void focus(QWidget *w) {
    w->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
}

} // namespace

class TestForm : public QObject {
    Q_OBJECT
private slots:
    void requiredBlankReportsOnceTouched();
    void rules();
    void amountTyping();
    void dateField();
    void flagComesFromNearestAncestor();
    void basicStep();
    void hourlyToFixedWritesTheAmount_data();
    void hourlyToFixedWritesTheAmount();
    void rowsComeAndGo();
    void runningTotalsFollowEdits();
    void minimumOfYearToDate();
    void notesAndDisplaySettings();
    void rowsSayWhichRowTheyAre();
};

void TestForm::requiredBlankReportsOnceTouched() {
    Host host;
    auto *field = host.add(new LimitedField(u"雇主名称 *"_s, host.textBinding()));
    focus(field->input());
    QTest::keyClicks(field->input(), u"   "_s);
    QCOMPARE(host.text, u"   "_s);     // the draft holds what was typed
    QCOMPARE(shown(field), QString()); // not touched yet
    focus(host.elsewhere);
    QCOMPARE(shown(field), u"! 请填写雇主名称"_s);
    QCOMPARE(field->input()->accessibleDescription(), u"请填写雇主名称"_s);
    focus(field->input());
    QCOMPARE(shown(field), u"! 请填写雇主名称"_s); // focus does not hide it
    QTest::keyClicks(field->input(), u"A"_s);
    QCOMPARE(shown(field), QString());
    QCOMPARE(host.text, u"   A"_s);
    QCOMPARE(field->input()->accessibleName(), u"雇主名称 *"_s);
    // A field without the star never reports a blank. What is pasted is cut at the limit;
    // typing into a full field keeps the caret there.
    auto *optional = host.add(new LimitedField(u"项目名称"_s, host.textBinding(), 5));
    host.text.clear();
    FieldErrors::setShown(&host.window, true);
    QCOMPARE(shown(optional), QString());
    optional->input()->clear();
    QApplication::clipboard()->setText(u"abcdefgh"_s);
    focus(optional->input());
    optional->input()->paste();
    QCOMPARE(host.text, u"abcde"_s);
    QCOMPARE(optional->input()->text(), u"abcde"_s);
    optional->input()->setCursorPosition(2);
    QTest::keyClicks(optional->input(), u"XY"_s);
    QCOMPARE(host.text, u"abXYc"_s);
    QCOMPARE(optional->input()->cursorPosition(), 4);
}

// A problem hides while typing in a touched field; what is typed stops at the limit.
void TestForm::amountTyping() {
    Host host;
    auto *field = host.add(new AmountField(u"时薪 $"_s, host.textBinding()));
    const QString grammar = u"! 金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。"_s;
    focus(field->input());
    QTest::keyClicks(field->input(), u"12.345"_s);
    QCOMPARE(shown(field), QString());
    focus(host.elsewhere);
    QCOMPARE(shown(field), grammar);
    focus(field->input());
    QCOMPARE(shown(field), QString()); // typing again in a touched field hides it
    QCOMPARE(field->input()->accessibleDescription(), u"非负数字，最多两位小数"_s);
    FieldErrors::setShown(&host.window, true);
    QCOMPARE(shown(field), grammar); // unless the form shows every problem
    QTest::keyClick(field->input(), Qt::Key_Backspace);
    QCOMPARE(shown(field), QString());
    field->input()->clear();
    QTest::keyClicks(field->input(), u"1234567890123456"_s); // at most 15 characters
    QCOMPARE(host.text, u"123456789012345"_s);
    QCOMPARE(field->input()->text(), host.text);
}

// Cuts count characters as a person sees them. An amount's message is quiet until the
// field is touched.
void TestForm::rules() {
    const QString family = u"👩‍👩‍👧"_s;
    const struct {
        int limit;
        QString text, kept; // kept empty: nothing to cut
    } cuts[] = {
        {3, u"abcd"_s, u"abc"_s},
        {4, u"abcd"_s, {}},
        {5, u"abcd"_s + family + u"e"_s, u"abcd"_s + family},
        {5, u"abcde\u0301\u0323f"_s, u"abcde\u0301\u0323"_s},
        {5, u"abcd🇨🇦🇨🇦"_s, u"abcd🇨🇦"_s},
        {5, u"ab🇨🇦"_s, {}},
    };
    for (const auto &c : cuts)
        QVERIFY2(FieldRules::cutToLimit(c.text, c.limit).value_or(QString()) == c.kept,
                 qPrintable(c.text));
    const QString hours = u"工时不能超过 99,999.99"_s, ytd = u"年度累计需包含本期，不能小于 "_s;
    const struct {
        QString text;
        std::optional<qint64> minimum, maximum;
        QString message;
    } amounts[] = {
        {u""_s, 100, {}, {}},
        {u"  "_s, 1, {}, ytd + u"$0.01"_s},
        {u"12.345"_s, {}, {}, u"金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。"_s},
        {u"99999.99"_s, {}, 9'999'999, {}},
        {u"100000"_s, {}, 9'999'999, hours},
        {u"5"_s, 1000, 100, hours}, // the maximum before the minimum
        {u"1000"_s, 100000, {}, {}},
        {u"999.99"_s, 100000, {}, ytd + u"$1,000.00"_s},
    };
    for (const auto &c : amounts) {
        const auto issue = [&](bool showAll) {
            return FieldRules::amountIssue(c.text, c.minimum, c.maximum, false, false, showAll);
        };
        QVERIFY2(issue(true).value_or(QString()) == c.message && !issue(false), qPrintable(c.text));
    }
}

void TestForm::dateField() {
    Host host;
    auto *field = host.add(new OptionalDateField(
        u"周期开始 *"_s, {[&host] { return host.date; },
                          [&host](const std::optional<QDate> &d) { host.date = d; }}));
    QCOMPARE(shown(field), QString()); // an absent date waits for the whole form
    FieldErrors::setShown(&host.window, true);
    QCOMPARE(shown(field), u"! 请选择日期"_s);
    QTest::mouseClick(field->chooseButton(), Qt::LeftButton);
    QCOMPARE(host.date, std::optional<QDate>(QDate::currentDate()));
    QVERIFY(field->picker()->isVisible());
    QCOMPARE(shown(field), QString());
    field->picker()->setDate(QDate(1850, 5, 5)); // beyond the range: held at the first day
    QCOMPARE(host.date, std::optional<QDate>(QDate(1900, 1, 1)));
    field->picker()->setDate(QDate(2300, 5, 5));
    QCOMPARE(host.date, std::optional<QDate>(QDate(2199, 12, 31)));
    field->picker()->setDate(QDate(2026, 6, 30));
    // Read whole, after the title that labels it; a date edit is otherwise read by parts.
    QCOMPARE(field->picker()->accessibleName(), u"2026年6月30日"_s);
    QCOMPARE(field->clearButton()->accessibleName(), u"清除周期开始 *"_s);
    QTest::mouseClick(field->clearButton(), Qt::LeftButton);
    QVERIFY(!host.date && field->chooseButton()->isVisible() && !field->picker()->isVisible());
    QCOMPARE(shown(field), u"! 请选择日期"_s);
}

void TestForm::flagComesFromNearestAncestor() {
    Host host;
    auto *inner = new QWidget;
    new QVBoxLayout(inner);
    auto *field = new LimitedField(u"员工姓名 *"_s, host.textBinding(), 100, inner);
    inner->layout()->addWidget(field);
    host.add(inner);
    QVERIFY(!field->showErrors()); // nobody set it
    FieldErrors::setShown(&host.window, true);
    QCOMPARE(shown(field), u"! 请填写员工姓名"_s); // redrawn at once
    FieldErrors::setShown(inner, false);           // the nearer ancestor wins
    QCOMPARE(shown(field), QString());
    LimitedField outside(u"员工姓名 *"_s, host.textBinding());
    QVERIFY(!outside.showErrors());
}

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
