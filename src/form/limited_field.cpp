#include "form/limited_field.h"

#include "form/field_rules.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

LimitedField::LimitedField(const QString &title, Binding<QString> value, qsizetype limit,
                           QWidget *parent)
    : TextLineField(title, std::move(value), limit, parent) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    auto *row = new QHBoxLayout;
    row->setSpacing(10);
    auto *label = new QLabel(title, this);
    label->setBuddy(input());
    row->addWidget(label);
    row->addWidget(input(), 1);
    column->addLayout(row);
    column->addWidget(createMessageLine());
    refresh();
}

std::optional<QString> LimitedField::issue() const {
    return FieldRules::limitedIssue(title(), value(), touched(), showErrors());
}
