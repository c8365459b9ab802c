#pragma once

#include "form/binding.h"
#include "form/validated_field.h"

#include <QDate>

class QCalendarWidget;
class QDateEdit;
class QLabel;
class QPushButton;
class QToolButton;

// A date that starts absent, is picked on demand ("选择日期") and can be cleared
// again. Its only message, "! 请选择日期", appears when the form shows every problem.
class OptionalDateField : public ValidatedField {
    Q_OBJECT
public:
    static const QDate earliest; // 1 January 1900
    static const QDate latest;   // 31 December 2199

    OptionalDateField(const QString &title, Binding<std::optional<QDate>> value,
                      QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QPushButton *chooseButton() const { return m_choose; }
    QDateEdit *picker() const { return m_picker; }
    QToolButton *clearButton() const { return m_clear; }
    QToolButton *calendarButton() const { return m_calendarButton; }
    // The month to pick from, shown below the picker; it exists only while it is open, so
    // that no hidden calendar follows the date (and tells a screen reader about it).
    QCalendarWidget *openCalendar();

    // The date the picker shows: the value, or today while it is absent.
    QDate selected() const;

    std::optional<QString> issue() const override;
    void refresh() override;
    QWidget *focusTarget() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_title;
    Binding<std::optional<QDate>> m_value;
    QWidget *m_absent;
    QWidget *m_present;
    QPushButton *m_choose;
    QDateEdit *m_picker;
    QToolButton *m_clear;
    QToolButton *m_calendarButton;
    bool m_syncing = false;
};
