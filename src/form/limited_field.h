#pragma once

#include "form/binding.h"
#include "form/validated_field.h"

class QLineEdit;

// One line of text with a character limit; required when its title holds "*".
class LimitedField : public ValidatedField {
    Q_OBJECT
public:
    LimitedField(const QString &title, Binding<QString> value, qsizetype limit = 120,
                 QWidget *parent = nullptr);

    QString title() const { return m_title; }
    qsizetype limit() const { return m_limit; }
    QLineEdit *input() const { return m_edit; }

    std::optional<QString> issue() const override;
    void refresh() override;

private:
    void take(const QString &text);

    QString m_title;
    Binding<QString> m_value;
    qsizetype m_limit;
    QLineEdit *m_edit;
    bool m_syncing = false;
};
