#pragma once

#include <QByteArray>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

// What a reader of the PDF sees: page sizes and document information (read with
// QtPdf), and the words of each page with their boxes in points from the top-left
// corner (read with poppler's pdftotext), grouped into lines as they stand on the page.
struct PdfText {
    struct Word {
        QString text;
        QRectF box;
    };
    bool loaded = false;
    QString title;
    QString creator;
    QList<QSizeF> sizes;
    QList<QList<Word>> words;
    QList<QStringList> pages; // lines of words joined by one space

    int pageCount() const { return int(pages.size()); }
    QStringList allLines() const;
};

PdfText readPdf(const QByteArray &bytes);
