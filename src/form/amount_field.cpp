#include "form/amount_field.h"

#include "form/field_rules.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

AmountField::AmountField(const QString &title, Binding<QString> value, Bound minimum,
                         std::optional<qint64> maximum, QWidget *parent)
    : ValidatedField(parent), m_title(title), m_value(std::move(value)), m_minimum(std::move(minimum)),
      m_maximum(maximum), m_edit(new QLineEdit(this)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    QLabel *caption = secondaryLabel(title, this);
    caption->setBuddy(m_edit);
    column->addWidget(caption);
    column->addWidget(m_edit);
    column->addWidget(createMessageLine());

    m_edit->setPlaceholderText(QStringLiteral("0.00"));
    m_edit->setAccessibleName(title);
    watchFocus(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_syncing) return;
        take(text);
        refresh();
        emit edited();
    });
    refresh();
}

void AmountField::take(const QString &text) {
    m_value.set(text);
    if (const auto cut = FieldRules::cutAmount(text)) {
        m_value.set(*cut);
        m_syncing = true;
        m_edit->setText(*cut);
        m_syncing = false;
    }
}

std::optional<QString> AmountField::issue() const {
    const std::optional<qint64> minimum = m_minimum ? m_minimum() : std::nullopt;
    return FieldRules::amountIssue(m_value.get(), minimum, m_maximum, touched(), inputFocused(),
                                   showErrors());
}

void AmountField::refresh() {
    const QString value = m_value.get();
    if (value != m_edit->text()) {
        m_syncing = true;
        m_edit->setText(value);
        m_syncing = false;
    }
    if (FieldRules::cutAmount(value)) {
        take(value);
        emit edited();
    }
    const auto problem = issue();
    showMessage(problem);
    m_edit->setAccessibleDescription(problem.value_or(QStringLiteral("非负数字，最多两位小数")));
}
