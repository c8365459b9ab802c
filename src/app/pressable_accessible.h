#pragma once

#include <QAbstractButton>
#include <QAccessibleWidget>

// A checkable button shown to assistive technology in another role than a push button,
// which pressing still works on: a tab is selected while the button is checked, a radio
// button checked.
class PressableAccessible : public QAccessibleWidget {
public:
    PressableAccessible(QAbstractButton *button, QAccessible::Role role)
        : QAccessibleWidget(button, role) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool on = button()->isChecked();
        if (role() == QAccessible::PageTab) {
            s.selectable = true;
            s.selected = on;
        } else {
            s.checkable = true;
            s.checked = on;
        }
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return button()->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override {
        if (name == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};
