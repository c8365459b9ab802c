#include "form/amount_field.h"

#include "app/ui_parts.h"
#include "form/field_rules.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

AmountField::AmountField(const QString &title, Binding<QString> value, Bound minimum,
                         std::optional<qint64> maximum, QWidget *parent)
    : TextLineField(title, std::move(value), FieldRules::amountCut, parent),
      m_minimum(std::move(minimum)), m_maximum(maximum) {
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    QLabel *caption = secondaryLabel(title, this);
    caption->setBuddy(input());
    column->addWidget(caption);
    column->addWidget(input());
    column->addWidget(createMessageLine());
    input()->setPlaceholderText(QStringLiteral("0.00"));
    refresh();
}

std::optional<QString> AmountField::issue() const {
    const std::optional<qint64> minimum = m_minimum ? m_minimum() : std::nullopt;
    return FieldRules::amountIssue(value(), minimum, m_maximum, touched(), inputFocused(),
                                   showErrors());
}

QString AmountField::quietDescription() const {
    return QStringLiteral("非负数字，最多两位小数");
}
