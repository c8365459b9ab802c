#include "window/command_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

CommandKeys::CommandKeys(QWidget *window, QList<QAction *> actions)
    : QObject(window), m_window(window), m_actions(std::move(actions)) {
    // The application sees the key before the focused widget does.
    qApp->installEventFilter(this);
}

bool CommandKeys::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType()) return false;
    if (static_cast<QWidget *>(watched)->window() != m_window) return false;
    const QKeySequence pressed(static_cast<QKeyEvent *>(event)->keyCombination());
    for (const QAction *action : std::as_const(m_actions)) {
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            // Not claimed by the widget: the key goes on to the window's shortcut.
            event->ignore();
            return true;
        }
    }
    return false;
}
