#include "form/validated_field.h"

#include "app/field_errors.h"
#include "app/theme.h"
#include "form/field_rules.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>

ValidatedField::ValidatedField(QWidget *parent) : QWidget(parent) {}

bool ValidatedField::showErrors() const {
    return FieldErrors::shown(this);
}

void ValidatedField::watchFocus(QWidget *input) {
    input->installEventFilter(this);
}

QLabel *ValidatedField::createMessageLine() {
    m_message = new QLabel(this);
    m_message->setWordWrap(true); // a long message wraps rather than being cut
    m_message->setFont(Theme::font(m_message->font(), -1.5));
    m_message->hide();
    Theme::tint(m_message, [](const QPalette &pal) { return Theme::errorInk().resolve(pal); });
    return m_message;
}

void ValidatedField::showMessage(const std::optional<QString> &message) {
    if (!m_message) return;
    m_message->setText(message ? FieldRules::messageLine(*message) : QString());
    m_message->setVisible(message.has_value());
}

bool ValidatedField::event(QEvent *event) {
    if (event->type() == FieldErrors::changedEvent()) refresh();
    return QWidget::event(event);
}

bool ValidatedField::eventFilter(QObject *watched, QEvent *event) {
    // Switching windows or opening a menu or pop-up is not leaving the field.
    if (event->type() == QEvent::FocusOut || event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        m_focused = true;
        refresh();
    } else if (event->type() == QEvent::FocusOut) {
        m_focused = false;
        m_touched = true;
        refresh();
    }
    return QWidget::eventFilter(watched, event);
}
