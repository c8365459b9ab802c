#include "dates.h"
#include "recording_desktop.h"
#include "review/password_fields.h"
#include "review/review_panel.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestReviewPanel : public QObject {
    Q_OBJECT
private slots:
    void summary();
};

void TestReviewPanel::summary() {
    RecordingDesktop desktop;
    ReviewPanel panel(&desktop);
    panel.setDraft(PayrollDraft());
    QVERIFY(!panel.ready() && !panel.openWithButton()->isEnabled());
    QCOMPARE(panel.readinessDetail(), u"请填写雇主名称。"_s);
    QCOMPARE(panel.details(), QStringList({"雇主: 未填写", "员工: 未填写", "工资周期: 未填写",
                                           "付款日期: 未填写", "支付方式: FULL DEPOSIT"}));
    QCOMPARE(panel.amounts(), QStringList({"$0.00", "$0.00", "$0.00", "$0.00"}));
    PayrollDraft d = PayrollDraft::sample();
    panel.setDraft(d);
    QVERIFY(panel.ready() && panel.openWithButton()->isEnabled());
    QCOMPARE(panel.details()[2],
             "工资周期: " + shortMonth(6) + " 01, 2026 — " + shortMonth(6) + " 30, 2026");
    QCOMPARE(panel.amounts(), QStringList({"$2,700.00", "$368.62", "$0.00", "$2,331.38"}));
    // A character no font draws (U+05FF is unassigned) is named, and export stays open.
    d.employee = u"Ana \u05FF"_s;
    panel.setDraft(d);
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(),
             QStringLiteral(
                 "请再核对姓名、日期与净支付金额。\nPDF 中以下字符没有可用字体，将显示为方框："
                 "\u05FF。请安装相应字体（如 fonts-noto-core）。"));
    d.deductions[2].ytd = u"abc"_s;
    d.end.reset();
    d.employee = u"  "_s;
    panel.setDraft(d);
    QCOMPARE(panel.amounts(), QStringList({"—", "—", "—", "—"}));
    QCOMPARE(panel.details()[1], u"员工:   "_s); // spaces are shown, not "未填写"
    QCOMPARE(panel.details()[2], "工资周期: " + shortMonth(6) + " 01, 2026");
    QCOMPARE(panel.readinessDetail(), u"请填写员工姓名。"_s);
    // The card counts a password that the export would refuse; the confirmation's mismatch
    // shows once something was typed in it, not when focus passes through it empty.
    panel.setDraft(PayrollDraft::sample());
    PasswordFields *fields = panel.protection();
    QLineEdit *confirmation = fields->confirmationInput();
    QCOMPARE(QAccessible::queryAccessibleInterface(confirmation)->text(QAccessible::Name),
             u"保护 PDF：确认密码"_s);
    fields->passwordInput()->setText(u"secret6"_s);
    QVERIFY(!panel.ready());
    QCOMPARE(panel.readinessDetail(), u"两次输入的密码不一致。"_s);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(fields->confirmationMessage()->isHidden());
    confirmation->setText(u"secret"_s);
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(!fields->confirmationMessage()->isHidden());
    confirmation->setText(u"secret6"_s);
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(), u"导出的 PDF 将以密码保护。"_s);
}

QTEST_MAIN(TestReviewPanel)
#include "test_review_panel.moc"
