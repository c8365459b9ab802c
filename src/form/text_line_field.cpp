#include "form/text_line_field.h"

#include "form/field_rules.h"

#include <QLineEdit>

TextLineField::TextLineField(const QString &title, Binding<QString> value, qsizetype limit,
                             QWidget *parent)
    : ValidatedField(parent), m_title(title), m_value(std::move(value)), m_limit(limit),
      m_edit(new QLineEdit(this)) {
    m_edit->setAccessibleName(title);
    watchFocus(m_edit);
    connect(m_edit, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_syncing) return;
        take(text);
        refresh();
        emit edited();
    });
}

void TextLineField::take(const QString &text) {
    m_value.set(text);
    if (const auto cut = FieldRules::cutToLimit(text, m_limit)) {
        m_value.set(*cut);
        // The caret stays where the typing was, after the last character kept.
        const int caret = std::min(m_edit->cursorPosition(), int(cut->size()));
        m_syncing = true;
        m_edit->setText(*cut);
        m_edit->setCursorPosition(caret);
        m_syncing = false;
    }
}

void TextLineField::refresh() {
    const QString text = m_value.get();
    if (text != m_edit->text()) {
        m_syncing = true;
        m_edit->setText(text);
        m_syncing = false;
    }
    // A change made elsewhere is cut like typing would be.
    if (FieldRules::cutToLimit(text, m_limit)) {
        take(text);
        emit edited();
    }
    const auto problem = issue();
    showMessage(problem);
    m_edit->setAccessibleDescription(problem.value_or(quietDescription()));
}

QWidget *TextLineField::focusTarget() const {
    return m_edit;
}
