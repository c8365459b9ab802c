#include "pdf_text.h"

#include "programs.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString unescaped(QString text) {
    // "&amp;" last, so that "&amp;lt;" stays "&lt;"
    for (const auto &[entity, character] :
         {std::pair{"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}})
        text.replace(QLatin1String(entity), QLatin1String(character));
    return text;
}

// Words whose vertical centre lies within the extent of a line's first word belong to that line.
QStringList linesOf(QList<PdfText::Word> words) {
    std::stable_sort(words.begin(), words.end(),
                     [](const auto &a, const auto &b) { return a.box.top() < b.box.top(); });
    QList<std::pair<QRectF, QMultiMap<qreal, QString>>> lines; // extent, words by left edge
    for (const PdfText::Word &word : words) {
        const qreal centre = word.box.center().y();
        auto line = std::find_if(lines.begin(), lines.end(), [&](const auto &l) {
            return centre >= l.first.top() && centre <= l.first.bottom();
        });
        if (line == lines.end()) line = lines.insert(lines.end(), {word.box, {}});
        line->second.insert(word.box.left(), word.text);
    }
    QStringList result;
    for (const auto &line : lines)
        result.append(line.second.values().join(u' '));
    return result;
}

} // namespace

OpenedPdf::OpenedPdf(const QByteArray &bytes, const QString &password) {
    // qpdf, in a process of its own, must read the file without a fault: a file that only
    // a repair would open fails the test reading it, and cannot crash it.
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush() ||
        !runProgram(u"qpdf"_s, {u"--check"_s, u"--password="_s + password, file.fileName()}).ok()) {
        qWarning("qpdf finds faults in the PDF: it is not opened");
        return;
    }
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    document.setPassword(password);
    document.load(&buffer);
}

PdfText readPdf(const QByteArray &bytes) {
    PdfText result;
    const OpenedPdf pdf(bytes);
    if (!pdf.ready()) return result;
    // One element a line: a page begins, or a word with its box.
    const ProgramOutput html =
        runProgram(u"pdftotext"_s, {u"-bbox"_s, pdf.file.fileName(), u"-"_s});
    static const QRegularExpression word(
        u"<word xMin=\"(\\S+)\" yMin=\"(\\S+)\" xMax=\"(\\S+)\" yMax=\"(\\S+)\">(.*)</word>"_s);
    for (const QString &line : html.text.split(u'\n')) {
        const auto m = word.match(line);
        const auto at = [&m](int i) { return m.captured(i).toDouble(); };
        if (line.trimmed().startsWith(u"<page "))
            result.words.emplace_back();
        else if (m.hasMatch() && !result.words.isEmpty())
            result.words.last().append(
                {unescaped(m.captured(5)), QRectF(QPointF(at(1), at(2)), QPointF(at(3), at(4)))});
    }
    for (const auto &words : result.words)
        result.pages.append(linesOf(words));
    result.loaded = html.ok() && result.pages.size() == pdf.document.pageCount();
    return result;
}
