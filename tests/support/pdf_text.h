#pragma once

#include <QtPdf>

#include <numeric>

// What a reader of the PDF sees: the words of each page with their boxes in points from the
// top-left corner (read with poppler's pdftotext), grouped into lines as they stand on the
// page. Only a file that QtPdf opens (see OpenedPdf) is read.
struct PdfText {
    struct Word {
        QString text;
        QRectF box;
    };
    bool loaded = false;
    QList<QList<Word>> words;
    QList<QStringList> pages; // lines of words joined by one space

    int pageCount() const { return int(pages.size()); }
    QStringList allLines() const {
        return std::accumulate(pages.begin(), pages.end(), QStringList());
    }
};

PdfText readPdf(const QByteArray &bytes);

// A PDF opened with QtPdf, the viewer the window uses, from bytes in memory; with its
// password when it has one. The document reads from the buffer it keeps. Only a file that
// qpdf checks without fault is loaded: QtPdf reads in our process. The file qpdf checked
// stays for other readers.
struct OpenedPdf {
    QTemporaryFile file;
    QBuffer buffer;
    QPdfDocument document;
    explicit OpenedPdf(const QByteArray &bytes, const QString &password = QString());
    bool ready() const { return document.status() == QPdfDocument::Status::Ready; }
};
