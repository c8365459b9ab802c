#pragma once

#include "form/binding.h"
#include "form/validated_field.h"

#include <functional>

class QLineEdit;

// A money or hours text, judged by the amount grammar and optional bounds in cents.
// The minimum is asked for each time, since it follows other fields of the row.
class AmountField : public ValidatedField {
    Q_OBJECT
public:
    using Bound = std::function<std::optional<qint64>()>;

    AmountField(const QString &title, Binding<QString> value, Bound minimum = {},
                std::optional<qint64> maximum = std::nullopt, QWidget *parent = nullptr);

    QString title() const { return m_title; }
    QLineEdit *input() const { return m_edit; }

    std::optional<QString> issue() const override;
    void refresh() override;

private:
    void take(const QString &text);

    QString m_title;
    Binding<QString> m_value;
    Bound m_minimum;
    std::optional<qint64> m_maximum;
    QLineEdit *m_edit;
    bool m_syncing = false;
};
