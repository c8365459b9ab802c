#pragma once

#include "form/text_line_field.h"

// One line of text with a character limit; required when its title holds "*".
class LimitedField : public TextLineField {
    Q_OBJECT
public:
    LimitedField(const QString &title, Binding<QString> value, qsizetype limit = 120,
                 QWidget *parent = nullptr);

    std::optional<QString> issue() const override;
};
