#pragma once

#include "form/binding.h"

#include <QWidget>

#include <functional>

class LimitedField;
class QToolButton;

// The first line of every line item: its description and the button removing it.
class RowHeading : public QWidget {
    Q_OBJECT
public:
    RowHeading(Binding<QString> label, std::function<void()> remove, QWidget *parent = nullptr);
    LimitedField *labelField() const { return m_label; }
    QToolButton *removeButton() const { return m_remove; }

private:
    LimitedField *m_label;
    QToolButton *m_remove;
};
