#pragma once

#include "form/binding.h"
#include "form/validated_field.h"

class QLineEdit;

// A single line of text bound to a text of the draft. Every change, typed or made
// elsewhere, is kept as it is, except that what lies beyond the limit is cut off.
class TextLineField : public ValidatedField {
    Q_OBJECT
public:
    QString title() const { return m_title; }
    qsizetype limit() const { return m_limit; }
    QLineEdit *input() const { return m_edit; }

    void refresh() override;
    QWidget *focusTarget() const override;

protected:
    TextLineField(const QString &title, Binding<QString> value, qsizetype limit, QWidget *parent);
    QString value() const { return m_value.get(); }
    // The accessibility description while there is no problem.
    virtual QString quietDescription() const { return QString(); }

private:
    void take(const QString &text);

    QString m_title;
    Binding<QString> m_value;
    qsizetype m_limit;
    QLineEdit *m_edit;
    bool m_syncing = false;
};
