#include "form/optional_date_field.h"

#include "app/icons.h"
#include "app/theme.h"
#include "payroll/payroll_draft.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

const QDate OptionalDateField::earliest(PayrollDraft::earliestYear, 1, 1);
const QDate OptionalDateField::latest(PayrollDraft::latestYear, 12, 31);

OptionalDateField::OptionalDateField(const QString &title, Binding<std::optional<QDate>> value,
                                     QWidget *parent)
    : ValidatedField(parent), m_title(title), m_value(std::move(value)),
      m_absent(new QWidget(this)), m_present(new QWidget(this)),
      m_choose(new QPushButton(QStringLiteral("选择日期"), m_absent)),
      m_picker(new QDateEdit(m_present)), m_clear(new QToolButton(m_present)),
      m_calendarButton(new QToolButton(m_present)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    auto *absentRow = new QHBoxLayout(m_absent);
    absentRow->setContentsMargins(0, 0, 0, 0);
    absentRow->addWidget(new QLabel(title, m_absent));
    absentRow->addStretch(1);
    absentRow->addWidget(m_choose);
    m_choose->setAccessibleName(QStringLiteral("选择日期") + title);

    auto *presentRow = new QHBoxLayout(m_present);
    presentRow->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(title, m_present);
    label->setBuddy(m_picker);
    presentRow->addWidget(label);
    presentRow->addStretch(1);
    presentRow->addWidget(m_picker);
    presentRow->addWidget(m_calendarButton);
    presentRow->addWidget(m_clear);
    m_picker->setDateRange(earliest, latest);
    m_picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_picker->installEventFilter(this); // F4 and Alt+Down open the calendar
    m_calendarButton->setIcon(Icons::named("x-office-calendar"));
    m_calendarButton->setAutoRaise(true);
    m_calendarButton->setAccessibleName(QStringLiteral("打开日历") + title);
    m_calendarButton->setToolTip(QStringLiteral("打开日历"));
    connect(m_calendarButton, &QToolButton::clicked, this, &OptionalDateField::openCalendar);
    m_clear->setIcon(Icons::named("edit-clear"));
    m_clear->setAutoRaise(true);
    m_clear->setAccessibleName(QStringLiteral("清除") + title);
    m_clear->setToolTip(QStringLiteral("清除") + title);

    column->addWidget(m_absent);
    column->addWidget(m_present);
    column->addWidget(createMessageLine());

    // What replaces the pressed button takes focus before the button is hidden: focus would
    // otherwise pass to the next field first, and a screen reader would say that one.
    connect(m_choose, &QPushButton::clicked, this, [this] {
        m_value.set(QDate::currentDate()); // the start of today: only the day is kept
        m_present->show();
        m_picker->setFocus();
        refresh();
        emit edited();
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_value.set(std::nullopt);
        m_absent->show();
        m_choose->setFocus();
        refresh();
        emit edited();
    });
    connect(m_picker, &QDateEdit::dateChanged, this, [this](const QDate &date) {
        if (m_syncing) return;
        m_value.set(date);
        refresh();
        emit edited();
    });
    refresh();
}

QCalendarWidget *OptionalDateField::openCalendar() {
    auto *calendar = new QCalendarWidget(this);
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setDateRange(earliest, latest);
    calendar->setSelectedDate(selected());
    calendar->setAccessibleName(m_title);
    for (auto signal : {&QCalendarWidget::activated, &QCalendarWidget::clicked})
        connect(calendar, signal, this, [this, calendar](QDate date) {
            m_picker->setDate(date);
            calendar->close();
        });
    calendar->adjustSize();
    // Below the picker, kept on its screen.
    const QRect screen = m_picker->screen()->availableGeometry();
    QPoint at = m_picker->mapToGlobal(QPoint(0, m_picker->height()));
    at.setX(std::clamp(at.x(), screen.left(), screen.right() - calendar->width() + 1));
    if (at.y() + calendar->height() > screen.bottom())
        at.setY(m_picker->mapToGlobal(QPoint()).y() - calendar->height());
    calendar->move(at);
    calendar->show();
    calendar->setFocus(Qt::PopupFocusReason);
    return calendar;
}

bool OptionalDateField::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_picker && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_F4 ||
            (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier)) {
            openCalendar();
            return true;
        }
    }
    return ValidatedField::eventFilter(watched, event);
}

QDate OptionalDateField::selected() const {
    return m_value.get().value_or(QDate::currentDate());
}

std::optional<QString> OptionalDateField::issue() const {
    if (!m_value.get() && showErrors()) return QStringLiteral("请选择日期");
    return std::nullopt;
}

void OptionalDateField::refresh() {
    const bool present = m_value.get().has_value();
    m_absent->setVisible(!present);
    m_present->setVisible(present);
    if (present && m_picker->date() != selected()) {
        m_syncing = true;
        m_picker->setDate(selected());
        m_syncing = false;
    }
    // A screen reader reads a date edit one part at a time ("2026"): the name says it whole,
    // after the title that labels it.
    m_picker->setAccessibleName(present ? selected().toString(QStringLiteral("yyyy年M月d日"))
                                        : QString());
    const auto problem = issue();
    showMessage(problem);
    m_choose->setAccessibleDescription(problem.value_or(QString()));
}

QWidget *OptionalDateField::focusTarget() const {
    return m_value.get() ? static_cast<QWidget *>(m_picker) : m_choose;
}
