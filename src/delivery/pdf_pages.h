#pragma once

#include <QByteArray>
#include <QString>

namespace PdfPages {

// `pdf` with only the pages `ranges` names ("1-2,4", counted from 1), in their order in
// the document; the empty text keeps every page. Throws PayrollError when `pdf` cannot
// be read or `ranges` names no page of it.
QByteArray select(const QByteArray &pdf, const QString &ranges);

} // namespace PdfPages
