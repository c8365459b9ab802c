#pragma once

#include "form/binding.h"

#include <QWidget>

class LimitedField;
class QToolButton;

// The first line of every line item: its description and the button removing it.
class RowHeading : public QWidget {
    Q_OBJECT
public:
    explicit RowHeading(Binding<QString> label, QWidget *parent = nullptr);
    LimitedField *labelField() const { return m_label; }
    QToolButton *removeButton() const { return m_remove; }

signals:
    void removeRequested();

private:
    LimitedField *m_label;
    QToolButton *m_remove;
};
