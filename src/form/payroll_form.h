#pragma once

#include "app/workflow_step.h"
#include "payroll/payroll_draft.h"

#include <QWidget>

class FormSection;
class ItemListSection;
class LimitedField;
class OptionalDateField;
class QComboBox;
class QPlainTextEdit;
class QScrollArea;
class QVBoxLayout;

// The form of the first two steps, bound to a draft owned by the caller: who and
// when on `basic`; the line items, notes and display settings on `amounts`. Every
// entry goes straight into the draft and is reported through edited().
class PayrollForm : public QWidget {
    Q_OBJECT
public:
    PayrollForm(PayrollDraft *draft, WorkflowStep stage, QWidget *parent = nullptr);

    WorkflowStep stage() const { return m_stage; }
    // Shows the sections of `stage`; fields put on screen anew start untouched.
    void setStage(WorkflowStep stage);
    // After the caller replaced the whole draft.
    void reload();

    // The parts, for tests and for the window.
    QList<FormSection *> sections() const;
    LimitedField *employerField() const { return m_employer; }
    LimitedField *employeeField() const { return m_employee; }
    QList<OptionalDateField *> dateFields() const { return m_dates; }
    QComboBox *paymentChoice() const { return m_payment; }
    ItemListSection *earningsSection() const { return m_earnings; }
    ItemListSection *deductionsSection() const { return m_deductions; }
    ItemListSection *reimbursementsSection() const { return m_reimbursements; }
    QPlainTextEdit *notesEditor() const { return m_notes; }
    QComboBox *paperChoice() const { return m_paper; }
    QComboBox *currencyChoice() const { return m_currency; }
    // The controls of the fields that show a problem now, in reading order.
    QList<QWidget *> problemFields() const;

signals:
    void edited();

private:
    void build();
    void buildBasic();
    void buildAmounts();
    void buildFooter();
    void onEdited();
    void refreshAll();
    void orderTabs();
    void syncChoices();

    template <typename Row>
    ItemListSection *itemSection(QList<Row> PayrollDraft::*list, const QString &header,
                                 const QString &footer, const QString &addText,
                                 const QString &totalLabel);

    PayrollDraft *m_draft;
    WorkflowStep m_stage;
    QScrollArea *m_scroll;
    QWidget *m_page = nullptr;
    QVBoxLayout *m_column = nullptr;

    LimitedField *m_employer = nullptr;
    LimitedField *m_employee = nullptr;
    QList<OptionalDateField *> m_dates;
    QComboBox *m_payment = nullptr;
    ItemListSection *m_earnings = nullptr;
    ItemListSection *m_deductions = nullptr;
    ItemListSection *m_reimbursements = nullptr;
    QPlainTextEdit *m_notes = nullptr;
    QComboBox *m_paper = nullptr;
    QComboBox *m_currency = nullptr;
    bool m_syncing = false;
};
