#include "pdf_text.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString unescaped(QString text) {
    for (const auto &[entity, character] :
         {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&#39;", "'"}})
        text.replace(QLatin1String(entity), QLatin1String(character));
    return text.replace(u"&amp;"_s, u"&"_s); // last, so that "&amp;lt;" stays "&lt;"
}

// Words whose vertical centre lies within a line's extent belong to that line.
QStringList linesOf(QList<PdfText::Word> words) {
    std::stable_sort(words.begin(), words.end(),
                     [](const auto &a, const auto &b) { return a.box.top() < b.box.top(); });
    QList<QList<PdfText::Word>> lines;
    QList<QRectF> extents;
    for (const PdfText::Word &word : words) {
        const qreal centre = word.box.center().y();
        qsizetype found = -1;
        for (qsizetype i = 0; i < lines.size() && found < 0; ++i)
            if (centre >= extents[i].top() && centre <= extents[i].bottom()) found = i;
        if (found < 0) {
            lines.append({word});
            extents.append(word.box);
        } else {
            lines[found].append(word);
        }
    }
    QStringList result;
    for (auto &line : lines) {
        std::stable_sort(line.begin(), line.end(),
                         [](const auto &a, const auto &b) { return a.box.left() < b.box.left(); });
        QStringList texts;
        for (const auto &word : line)
            texts.append(word.text);
        result.append(texts.join(u' '));
    }
    return result;
}

} // namespace

QStringList PdfText::allLines() const {
    QStringList all;
    for (const QStringList &page : pages)
        all += page;
    return all;
}

// Whether qpdf, in a process of its own, reads the file without a fault: a file that only
// a repair would open fails the test reading it, and cannot crash it.
static bool checked(const QByteArray &bytes, const QString &password) {
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) return false;
    QProcess qpdf;
    qpdf.start(u"qpdf"_s, {u"--check"_s, u"--password="_s + password, file.fileName()});
    return qpdf.waitForFinished(60000) && qpdf.exitStatus() == QProcess::NormalExit &&
           qpdf.exitCode() == 0;
}

OpenedPdf::OpenedPdf(const QByteArray &bytes, const QString &password) {
    if (!checked(bytes, password)) {
        qWarning("qpdf finds faults in the PDF: it is not opened");
        return;
    }
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    if (!password.isEmpty()) document.setPassword(password);
    document.load(&buffer);
}

PdfText readPdf(const QByteArray &bytes) {
    PdfText result;
    OpenedPdf pdf(bytes);
    if (!pdf.ready()) return result;
    const QPdfDocument &document = pdf.document;
    result.title = document.metaData(QPdfDocument::MetaDataField::Title).toString();
    result.creator = document.metaData(QPdfDocument::MetaDataField::Creator).toString();
    for (int i = 0; i < document.pageCount(); ++i)
        result.sizes.append(document.pagePointSize(i));
    QTemporaryFile file;
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) return result;
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, {u"-bbox"_s, file.fileName(), u"-"_s});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0) return result;
    const QString html = QString::fromUtf8(pdftotext.readAllStandardOutput());
    static const QRegularExpression page(u"<page [^>]*>(.*?)</page>"_s,
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">(.*?)</word>"));
    for (auto p = page.globalMatch(html); p.hasNext();) {
        QList<PdfText::Word> words;
        const QString body = p.next().captured(1);
        for (auto w = word.globalMatch(body); w.hasNext();) {
            const auto m = w.next();
            const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
            const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
            words.append({unescaped(m.captured(5)), QRectF(topLeft, bottomRight)});
        }
        result.pages.append(linesOf(words));
        result.words.append(words);
    }
    result.loaded = result.pages.size() == result.sizes.size();
    return result;
}
