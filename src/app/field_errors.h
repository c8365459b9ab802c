#pragma once

#include <QEvent>

class QWidget;

// Whether the fields of a subtree show their problems before being touched. An
// ancestor sets it for everything below it; a field reads it from its nearest
// ancestor that set it (false when none did).
namespace FieldErrors {

void setShown(QWidget *ancestor, bool shown);
bool shown(const QWidget *field);

// Sent to every widget below the ancestor when its flag changes.
QEvent::Type changedEvent();

} // namespace FieldErrors
