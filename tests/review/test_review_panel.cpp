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

class TestReviewPanel : public QObject {
    Q_OBJECT
private slots:
    void summary();
    void passwordsCount();
};

void TestReviewPanel::summary() {
    RecordingDesktop desktop;
    ReviewPanel panel(&desktop);
    panel.setDraft(PayrollDraft());
    QVERIFY(!panel.ready() && !panel.openWithButton()->isEnabled());
    QCOMPARE(panel.readinessDetail(), QStringLiteral("请填写雇主名称。"));
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
    d.employee = QStringLiteral("Ana \u05FF");
    panel.setDraft(d);
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(),
             QStringLiteral(
                 "请再核对姓名、日期与净支付金额。\nPDF 中以下字符没有可用字体，将显示为方框："
                 "\u05FF。请安装相应字体（如 fonts-noto-core）。"));
    d.employee = QStringLiteral("Ana");

    d.deductions[2].ytd = QStringLiteral("abc");
    d.end.reset();
    d.employee = QStringLiteral("  ");
    panel.setDraft(d);
    QCOMPARE(panel.amounts(), QStringList({"—", "—", "—", "—"}));
    QCOMPARE(panel.details()[1], QStringLiteral("员工:   ")); // spaces are shown, not "未填写"
    QCOMPARE(panel.details()[2], "工资周期: " + shortMonth(6) + " 01, 2026");
    QCOMPARE(panel.readinessDetail(), QStringLiteral("请填写员工姓名。"));
}

// The readiness card counts a password that the export would refuse; the confirmation's
// mismatch shows once something was typed in it, not when focus passes through it empty.
void TestReviewPanel::passwordsCount() {
    RecordingDesktop desktop;
    ReviewPanel panel(&desktop);
    panel.setDraft(PayrollDraft::sample());
    PasswordFields *fields = panel.protection();
    QLineEdit *confirmation = fields->confirmationInput();
    QCOMPARE(QAccessible::queryAccessibleInterface(confirmation)->text(QAccessible::Name),
             QStringLiteral("保护 PDF：确认密码"));
    fields->passwordInput()->setText(QStringLiteral("secret6"));
    QVERIFY(!panel.ready());
    QCOMPARE(panel.readinessDetail(), QStringLiteral("两次输入的密码不一致。"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(fields->confirmationMessage()->isHidden());
    confirmation->setText(QStringLiteral("secret"));
    QApplication::sendEvent(confirmation, &out);
    QVERIFY(!fields->confirmationMessage()->isHidden());
    confirmation->setText(QStringLiteral("secret6"));
    QVERIFY(panel.ready());
    QCOMPARE(panel.readinessDetail(), QStringLiteral("导出的 PDF 将以密码保护。"));
}

QTEST_MAIN(TestReviewPanel)
#include "test_review_panel.moc"
