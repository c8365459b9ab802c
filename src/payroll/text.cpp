#include "payroll/text.h"

#include <QTextBoundaryFinder>

namespace Text {

qsizetype graphemeCount(const QString &text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() >= 0)
        ++count;
    return count;
}

QString leadingGraphemes(const QString &text, qsizetype count) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = finder.toNextBoundary();
        if (next < 0) return text;
        position = next;
    }
    return text.left(position);
}

} // namespace Text
