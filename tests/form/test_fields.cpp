#include "app/field_errors.h"
#include "form/amount_field.h"
#include "form/field_rules.h"
#include "form/limited_field.h"
#include "form/optional_date_field.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

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

void paste(QLineEdit *edit, const QString &text) {
    QApplication::clipboard()->setText(text);
    focus(edit);
    edit->paste();
}

} // namespace

class TestFields : public QObject {
    Q_OBJECT
private slots:
    void requiredBlankReportsOnceTouched();
    void rules();
    void amountTyping();
    void dateField();
    void flagComesFromNearestAncestor();
};

void TestFields::requiredBlankReportsOnceTouched() {
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
    paste(optional->input(), u"abcdefgh"_s);
    QCOMPARE(host.text, u"abcde"_s);
    QCOMPARE(optional->input()->text(), u"abcde"_s);
    optional->input()->setCursorPosition(2);
    QTest::keyClicks(optional->input(), u"XY"_s);
    QCOMPARE(host.text, u"abXYc"_s);
    QCOMPARE(optional->input()->cursorPosition(), 4);
}

// A problem hides while typing in a touched field; what is typed stops at the limit.
void TestFields::amountTyping() {
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
void TestFields::rules() {
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

void TestFields::dateField() {
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
    QCOMPARE(host.date, std::optional<QDate>(QDate(2026, 6, 30)));
    // Read whole, after the title that labels it; a date edit is otherwise read by parts.
    QCOMPARE(field->picker()->accessibleName(), u"2026年6月30日"_s);
    QCOMPARE(field->clearButton()->accessibleName(), u"清除周期开始 *"_s);
    QTest::mouseClick(field->clearButton(), Qt::LeftButton);
    QVERIFY(!host.date && field->chooseButton()->isVisible() && !field->picker()->isVisible());
    QCOMPARE(shown(field), u"! 请选择日期"_s);
}

void TestFields::flagComesFromNearestAncestor() {
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

QTEST_MAIN(TestFields)
#include "test_fields.moc"
