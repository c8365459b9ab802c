#pragma once

#include "form/binding.h"
#include "payroll/payroll_draft.h"

#include <QWidget>

#include <functional>

class AmountField;
class QButtonGroup;
class QLabel;
class QPushButton;
class QVBoxLayout;
class RowHeading;
class ValidatedField;

// The fields of one line item, with what the form needs to refresh them.
class LineItemEditor : public QWidget {
    Q_OBJECT
public:
    QUuid rowId() const { return m_id; }
    RowHeading *heading() const { return m_heading; }
    // Re-reads the row from the draft and re-judges every field.
    virtual void refresh();
    // The row's place in its list, from 1, which the fields' names carry.
    void setRowNumber(int number);

signals:
    void edited();
    // The user asks to remove this row.
    void removeRequested(QUuid id);

protected:
    LineItemEditor(QUuid id, QWidget *parent);
    void adopt(ValidatedField *field);
    // The editor's column, opened with the row's heading.
    QVBoxLayout *startColumn(int verticalMargin, int spacing, Binding<QString> label);
    void nameByRow();

    QUuid m_id;
    int m_rowNumber = 0;
    RowHeading *m_heading = nullptr;
};

// An earning: hourly (hours × rate) or a fixed amount, its year-to-date amount and the
// resulting current amount. Switching to fixed fills the amount with what the hours
// and rate made.
class EarningEditor : public LineItemEditor {
    Q_OBJECT
public:
    EarningEditor(Binding<Earning> row, QUuid id, QWidget *parent = nullptr);

    QPushButton *hourlyButton() const { return m_hourly; }
    QPushButton *fixedButton() const { return m_fixed; }
    AmountField *hoursField() const { return m_hours; }
    AmountField *rateField() const { return m_rate; }
    AmountField *amountField() const { return m_amount; }
    AmountField *ytdField() const { return m_ytd; }
    QString currentText() const;

    void refresh() override;

private:
    void setHourly(bool hourly);
    void buildAmountFields();
    void paintSegments();

    Binding<Earning> m_row;
    QPushButton *m_hourly;
    QPushButton *m_fixed;
    QWidget *m_amountArea;
    AmountField *m_hours = nullptr;
    AmountField *m_rate = nullptr;
    AmountField *m_amount = nullptr;
    AmountField *m_ytd;
    QLabel *m_current;
};

class DeductionEditor : public LineItemEditor {
    Q_OBJECT
public:
    DeductionEditor(Binding<Deduction> row, QUuid id, QWidget *parent = nullptr);
    AmountField *amountField() const { return m_amount; }
    AmountField *ytdField() const { return m_ytd; }

private:
    AmountField *m_amount;
    AmountField *m_ytd;
};

class ReimbursementEditor : public LineItemEditor {
    Q_OBJECT
public:
    ReimbursementEditor(Binding<Reimbursement> row, QUuid id, QWidget *parent = nullptr);
    AmountField *amountField() const { return m_amount; }

private:
    AmountField *m_amount;
};

// A binding to one member of a row binding.
template <typename Row>
Binding<QString> memberBinding(const Binding<Row> &row, QString Row::*member) {
    return {[row, member] { return row.get().*member; },
            [row, member](const QString &value) {
                Row r = row.get();
                r.*member = value;
                row.set(r);
            }};
}
