#pragma once

#include <QIcon>

// A symbol from the desktop's icon theme, or the bundled drawing of it when the
// theme has none, so that no button ever loses its symbol.
namespace Icons {

QIcon named(const char *freedesktopName);

} // namespace Icons
