#include "delivery/pdf_pages.h"

#include "payroll/money.h"

#include <QSet>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace PdfPages {

QByteArray select(const QByteArray &pdf, const QString &ranges) {
    if (ranges.trimmed().isEmpty()) return pdf;
    const auto fail = [] {
        return PayrollError::invalid(QStringLiteral("无法按所选页码范围生成 PDF。"));
    };
    QSet<int> wanted;
    for (const QString &range : ranges.split(u',', Qt::SkipEmptyParts)) {
        bool firstOk = false, lastOk = false;
        const int first = range.section(u'-', 0, 0).trimmed().toInt(&firstOk);
        const int last = range.contains(u'-') ? range.section(u'-', 1).trimmed().toInt(&lastOk)
                                              : (lastOk = firstOk, first);
        if (!firstOk || !lastOk || first < 1 || last < first) throw fail();
        for (int page = first; page <= last && page <= 100000; ++page)
            wanted.insert(page);
    }
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("statement.pdf", pdf.constData(), size_t(pdf.size()));
        QPDFPageDocumentHelper pages(document);
        const std::vector<QPDFPageObjectHelper> all = pages.getAllPages();
        int kept = 0;
        for (size_t i = 0; i < all.size(); ++i) {
            if (wanted.contains(int(i) + 1))
                ++kept;
            else
                pages.removePage(all[i]);
        }
        if (kept == 0) throw fail();
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()),
                          qsizetype(buffer->getSize()));
    } catch (const std::exception &) {
        throw fail();
    }
}

} // namespace PdfPages
