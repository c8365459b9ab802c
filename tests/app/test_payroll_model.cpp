#include "app/payroll_model.h"
#include "pdf_text.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestPayrollModel : public QObject {
    Q_OBJECT
private slots:
    void burstRendersOnceAfterTheLast();
    void unchangedDraftSchedulesNothing();
};

void TestPayrollModel::burstRendersOnceAfterTheLast() {
    PayrollModel model;
    QSignalSpy renders(&model, &PayrollModel::previewErrorChanged);
    QSignalSpy modified(&model, &PayrollModel::draftModified);
    QElapsedTimer sinceLast;
    for (int i = 1; i <= 3; ++i) {
        model.editableDraft()->employee = u"Edit %1"_s.arg(i);
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
    QVERIFY(readPdf(model.pdf()).allLines().contains(u"EMPLOYEE Edit 3"_s));
}

// An unchanged draft schedules nothing; a draft that fails validation still renders.
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
    QCOMPARE(model.net(), u"$0.00"_s);
    PayrollDraft d = PayrollDraft::sample();
    d.employee.clear(); // fails validation, but every amount can be read: it renders
    model.setDraft(d);
    model.refresh();
    QVERIFY(!model.previewError());
    QVERIFY(readPdf(model.pdf()).allLines().contains("FULL DEPOSIT NET PAYMENT $2,331.38"));
    QCOMPARE(model.net(), u"$2,331.38"_s);
    model.editableDraft()->earnings[0].hours = u"abc"_s;
    QCOMPARE(model.net(), u"—"_s);
    model.editableDraft()->earnings[0].hours = u"1"_s;
    model.editableDraft()->deductions[0].amount = u"1000"_s;
    QCOMPARE(model.net(), u"-$1,206.29"_s);
}

QTEST_MAIN(TestPayrollModel)
#include "test_payroll_model.moc"
