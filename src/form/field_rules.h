#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The rules by which a field judges its own entry, free of any widget.
namespace FieldRules {

inline constexpr qsizetype amountCut = 15; // an amount of 16 characters or more keeps 15
inline constexpr qsizetype notesLimit = 2000;

// A field is required exactly when its title holds an asterisk.
bool isRequired(const QString &title);

// "请填写" + the title without its " *" marks, for a required field that is blank and
// has been left once (or when the form shows every problem).
std::optional<QString> limitedIssue(const QString &title, const QString &value, bool touched,
                                    bool showErrors);

// The amount grammar's message, then the maximum, then the minimum. Hidden while a
// touched field is being typed in, unless the form shows every problem.
std::optional<QString> amountIssue(const QString &value, std::optional<qint64> minimum,
                                   std::optional<qint64> maximum, bool touched, bool focused,
                                   bool showErrors);

// The text a field writes back after a change: the first `limit` user-perceived
// characters when there are more, otherwise nothing.
std::optional<QString> cutToLimit(const QString &text, qsizetype limit);

// One message line: "! " and the message.
QString messageLine(const QString &message);

} // namespace FieldRules
