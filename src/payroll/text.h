#pragma once

#include <QString>

// User-perceived characters (grapheme clusters): a letter with its combining marks,
// an emoji sequence or a flag counts as one, and cuts never split one.
namespace Text {

qsizetype graphemeCount(const QString &text);

// The first `count` user-perceived characters of `text` (all of it when shorter).
QString leadingGraphemes(const QString &text, qsizetype count);

// The same, stopping early so that the result takes at most `maxBytes` bytes in UTF-8.
QString leadingGraphemes(const QString &text, qsizetype count, qsizetype maxBytes);

} // namespace Text
