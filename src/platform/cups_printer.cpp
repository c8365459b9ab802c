#include "platform/cups_printer.h"

#include "delivery/file_error.h"

#include <cups/cups.h>

#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

[[noreturn]] void fail(const QString &printer, const QString &reason) {
    throw FileError(QStringLiteral("无法打印到“%1”：%2").arg(printer, reason));
}

QString lastError() {
    return QString::fromUtf8(cupsLastErrorString());
}

// A stopped queue (cupsdisable) and a paused one both keep new jobs until resumed.
QueueState queueState(const QByteArray &printer) {
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, printer.constData(), nullptr);
    if (!dest) return QueueState::printing;
    const char *state = cupsGetOption("printer-state", dest->num_options, dest->options);
    const char *reasons = cupsGetOption("printer-state-reasons", dest->num_options, dest->options);
    const bool held = (state && std::atoi(state) == IPP_PSTATE_STOPPED) ||
                      (reasons && std::strstr(reasons, "paused"));
    cupsFreeDests(1, dest);
    return held ? QueueState::held : QueueState::printing;
}

} // namespace

QueueState sendToPrinter(const PrintJob &job, const QByteArray &pdf, const QString &title) {
    const QByteArray printer = job.printer.toUtf8();
    cups_option_t *options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", QByteArray::number(std::max(job.copies, 1)).constData(), count,
                          &options);
    if (!job.pageRanges.isEmpty())
        count = cupsAddOption("page-ranges", job.pageRanges.toUtf8().constData(), count, &options);
    if (!job.sides.isEmpty())
        count = cupsAddOption("sides", job.sides.toUtf8().constData(), count, &options);
    const QByteArray name = title.toUtf8();
    const int id =
        cupsCreateJob(CUPS_HTTP_DEFAULT, printer.constData(), name.constData(), count, options);
    cupsFreeOptions(count, options);
    if (id == 0) fail(job.printer, lastError());
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, printer.constData(), id, name.constData(),
                          CUPS_FORMAT_PDF, 1) != HTTP_STATUS_CONTINUE ||
        cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(), size_t(pdf.size())) !=
            HTTP_STATUS_CONTINUE ||
        cupsFinishDocument(CUPS_HTTP_DEFAULT, printer.constData()) != IPP_STATUS_OK) {
        const QString reason = lastError();
        cupsCancelJob2(CUPS_HTTP_DEFAULT, printer.constData(), id, 0);
        fail(job.printer, reason);
    }
    return queueState(printer);
}

} // namespace platform
