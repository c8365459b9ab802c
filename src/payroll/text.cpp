#include "payroll/text.h"

#include <QTextBoundaryFinder>

#include <limits>

namespace Text {

qsizetype graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString leadingGraphemes(const QString &text, qsizetype count) {
    return leadingGraphemes(text, count, std::numeric_limits<qsizetype>::max());
}

QString leadingGraphemes(const QString &text, qsizetype count, qsizetype maxBytes) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) break;
        bytes += QStringView(text).mid(position, next - position).toUtf8().size();
        if (bytes > maxBytes) break;
        position = next;
    }
    return text.left(position);
}

} // namespace Text
