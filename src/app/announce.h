#pragma once

#include <QAccessible>

#include <functional>

// Tells assistive technology that something changed without moving focus: an alert for
// a message that must be heard now, a name change for a value said when convenient.
namespace Announce {

void send(QObject *object, QAccessible::Event event);

// Receives every announcement as well; for tests, where no screen reader listens and
// the toolkit drops its events.
void setListener(std::function<void(QObject *, QAccessible::Event)> listener);

} // namespace Announce
