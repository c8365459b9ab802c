#pragma once

#include "platform/desktop.h"

#include <QByteArray>
#include <QString>

namespace platform {

// Sends the PDF itself, unchanged, to the printing system's queue that `job` names,
// with its copies, page ranges and sides. Blocks until the queue took the document, so
// the window calls it from a worker thread. Throws FileError with the system's reason.
void sendToPrinter(const PrintJob &job, const QByteArray &pdf, const QString &title);

} // namespace platform
