#pragma once

#include "form/text_line_field.h"

#include <functional>

// A money or hours text, judged by the amount grammar and optional bounds in cents.
// The minimum is asked for each time, since it follows other fields of the row.
class AmountField : public TextLineField {
    Q_OBJECT
public:
    using Bound = std::function<std::optional<qint64>()>;

    AmountField(const QString &title, Binding<QString> value, Bound minimum = {},
                std::optional<qint64> maximum = std::nullopt, QWidget *parent = nullptr);

    std::optional<QString> issue() const override;

protected:
    QString quietDescription() const override;

private:
    Bound m_minimum;
    std::optional<qint64> m_maximum;
};
