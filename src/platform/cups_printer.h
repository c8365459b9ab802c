#pragma once

#include "platform/desktop.h"

#include <QByteArray>
#include <QString>

namespace platform {

// What the queue does with a job it accepted: prints it, or holds it while the queue
// is stopped or paused.
enum class QueueState { printing, held };

// Sends the PDF itself, unchanged, to the printing system's queue that `job` names,
// with its copies, page ranges and sides. Blocks until the queue took the document, so
// the window calls it from a worker thread. Throws FileError with the system's reason
// when the job is refused.
QueueState sendToPrinter(const PrintJob &job, const QByteArray &pdf, const QString &title);

} // namespace platform
