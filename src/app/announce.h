#pragma once

#include <QString>

#include <functional>

class QWidget;

// Says a text through assistive technology without moving focus. Qt's AT-SPI bridge
// drops alerts and announcements, but screen readers speak a notification the moment it
// shows, so the text goes out as a notification that belongs to `near`'s window.
namespace Announce {

void say(QWidget *near, const QString &text);

// Receives every text said as well; for tests, where no screen reader listens.
void setListener(std::function<void(const QString &)> listener);

} // namespace Announce
