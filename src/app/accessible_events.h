#pragma once

#include <functional>

class QAccessibleEvent;

// Corrects what the application tells assistive technology before Qt's AT-SPI bridge
// passes it on:
// - A line edit or date edit reached with Tab moves its caret and selection while it takes
//   focus, and Qt reports those before the focus itself. A screen reader then follows the
//   caret quietly and never says the field: its name, its role, or that it is a password
//   field whose keys must not be echoed. So caret and selection news is told only of the
//   widget whose focus was told last; the reader reads the rest when focus gets there.
// - Text typed into or removed from a password field leaves as mask characters.
namespace AccessibleEvents {

// Idempotent; applies to the whole application while assistive technology listens.
void install();

// What install() runs for every event; with setSink, for tests, where no assistive
// technology is active and Qt drops every event before it gets here.
void handle(QAccessibleEvent *event);
// Where told events go instead of Qt's bridge; nullptr restores the bridge.
void setSink(std::function<void(QAccessibleEvent *)> sink);

} // namespace AccessibleEvents
