#include "form/limited_field.h"

#include "form/field_rules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LimitedField::LimitedField(const QString &title, Binding<QString> value, qsizetype limit, QWidget *parent)
    : ValidatedField(parent), m_title(title), m_value(std::move(value)), m_limit(limit),
      m_edit(new QLineEdit(this)) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    auto *label = new QLabel(title, this);
    label->setBuddy(m_edit);
    row->addWidget(label);
    row->addWidget(m_edit, 1);
    column->addLayout(row);
    column->addWidget(createMessageLine());

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

void LimitedField::take(const QString &text) {
    m_value.set(text);
    if (const auto cut = FieldRules::cutToLimit(text, m_limit)) {
        m_value.set(*cut);
        m_syncing = true;
        m_edit->setText(*cut);
        m_syncing = false;
    }
}

std::optional<QString> LimitedField::issue() const {
    return FieldRules::limitedIssue(m_title, m_value.get(), touched(), showErrors());
}

void LimitedField::refresh() {
    const QString value = m_value.get();
    if (value != m_edit->text()) {
        m_syncing = true;
        m_edit->setText(value);
        m_syncing = false;
    }
    // A change made elsewhere is cut like typing would be.
    if (FieldRules::cutToLimit(value, m_limit)) {
        take(value);
        emit edited();
    }
    const auto problem = issue();
    showMessage(problem);
    m_edit->setAccessibleDescription(problem.value_or(QString()));
}
