#include "form/validated_field.h"

#include "app/field_errors.h"
#include "app/theme.h"
#include "form/field_rules.h"

#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

ValidatedField::ValidatedField(QWidget *parent) : QWidget(parent) {}

bool ValidatedField::showErrors() const {
    return FieldErrors::shown(this);
}

void ValidatedField::watchFocus(QWidget *input) {
    m_input = input;
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
    // A line that comes or goes while a mouse button is down moves everything below it,
    // and the release would miss the control that was pressed: it waits for the release.
    if (message.has_value() != m_message->isVisibleTo(this) &&
        QGuiApplication::mouseButtons() != Qt::NoButton) {
        refreshAfterRelease();
        return;
    }
    m_message->setText(message ? FieldRules::messageLine(*message) : QString());
    m_message->setVisible(message.has_value());
}

bool ValidatedField::event(QEvent *event) {
    if (event->type() == FieldErrors::changedEvent()) refresh();
    return QWidget::event(event);
}

void ValidatedField::refreshAfterRelease() {
    if (m_waitingForRelease) return;
    m_waitingForRelease = true;
    qApp->installEventFilter(this);
}

bool ValidatedField::eventFilter(QObject *watched, QEvent *event) {
    if (m_waitingForRelease && event->type() == QEvent::MouseButtonRelease) {
        m_waitingForRelease = false;
        qApp->removeEventFilter(this);
        // After the release has reached the control it was meant for.
        QTimer::singleShot(0, this, &ValidatedField::refresh);
    }
    if (watched != m_input) return QWidget::eventFilter(watched, event);
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
