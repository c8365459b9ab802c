#include "app/payroll_model.h"
#include "pdf_text.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QtTest>

class TestPayrollModel : public QObject {
    Q_OBJECT
private slots:
    void burstRendersOnceAfterTheLast();
    void failureKeepsBytesAndFixClearsMessage();
    void unchangedDraftSchedulesNothing();
    void netAndIncompleteDrafts();
};

void TestPayrollModel::burstRendersOnceAfterTheLast() {
    PayrollModel model;
    QSignalSpy renders(&model, &PayrollModel::previewErrorChanged);
    QSignalSpy modified(&model, &PayrollModel::draftModified);
    QElapsedTimer sinceLast;
    for (int i = 1; i <= 3; ++i) {
        model.editableDraft()->employee = QStringLiteral("Edit %1").arg(i);
        model.draftEdited();
        sinceLast.start();
        QTest::qWait(100);
        QCOMPARE(renders.count(), 0); // each edit inside the window cancels the pending one
    }
    QCOMPARE(modified.count(), 3);
    QVERIFY(renders.wait(1000));
    // The clock was read just after the timer started, so allow a few milliseconds.
    QVERIFY2(sinceLast.elapsed() >= PayrollModel::refreshDelayMs - 10,
             qPrintable(QString::number(sinceLast.elapsed())));
    QTest::qWait(300);
    QCOMPARE(renders.count(), 1);
    QVERIFY(readPdf(model.pdf()).allLines().contains(QStringLiteral("EMPLOYEE Edit 3")));
}

void TestPayrollModel::failureKeepsBytesAndFixClearsMessage() {
    PayrollModel model;
    model.setDraft(PayrollDraft::sample());
    model.refresh();
    const QByteArray good = model.pdf();
    QVERIFY(!good.isEmpty());

    QSignalSpy renders(&model, &PayrollModel::previewErrorChanged);
    model.editableDraft()->deductions[0].amount = QStringLiteral("1,000");
    model.draftEdited();
    QVERIFY(renders.wait(1000));
    QCOMPARE(model.previewError(),
             std::optional<QString>(QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。")));
    QCOMPARE(model.pdf(), good);

    model.editableDraft()->deductions[0].amount = QStringLiteral("1000");
    model.draftEdited();
    QVERIFY(renders.wait(1000));
    QVERIFY(!model.previewError());
    QVERIFY(model.pdf() != good);
    QVERIFY(readPdf(model.pdf())
                .allLines()
                .contains(QStringLiteral("Federal Income Tax $1,000.00 $828.08")));
}

void TestPayrollModel::unchangedDraftSchedulesNothing() {
    PayrollModel model;
    QSignalSpy changed(&model, &PayrollModel::draftChanged);
    QSignalSpy modified(&model, &PayrollModel::draftModified);
    model.setDraft(model.draft()); // same value, same row ids
    model.draftEdited();
    QCOMPARE(changed.count(), 2); // every assignment is published
    QCOMPARE(modified.count(), 0);
    QVERIFY(!model.refreshPending());
    model.setDraft(PayrollDraft()); // equal texts, but new row ids: a different draft
    QCOMPARE(modified.count(), 1);
    QVERIFY(model.refreshPending());
}

void TestPayrollModel::netAndIncompleteDrafts() {
    PayrollModel model;
    QCOMPARE(model.net(), QStringLiteral("$0.00"));
    PayrollDraft d = PayrollDraft::sample();
    d.employee.clear(); // fails validation, but every amount can be read: it renders
    model.setDraft(d);
    model.refresh();
    QVERIFY(!model.previewError());
    QVERIFY(readPdf(model.pdf()).allLines().contains("FULL DEPOSIT NET PAYMENT $2,331.38"));
    QCOMPARE(model.net(), QStringLiteral("$2,331.38"));
    model.editableDraft()->earnings[0].hours = QStringLiteral("abc");
    QCOMPARE(model.net(), QStringLiteral("—"));
    model.editableDraft()->earnings[0].hours = QStringLiteral("1");
    model.editableDraft()->deductions[0].amount = QStringLiteral("1000");
    QCOMPARE(model.net(), QStringLiteral("-$1,206.29"));
}

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    TestPayrollModel test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_payroll_model.moc"
