#include "form/field_rules.h"

#include "payroll/money.h"
#include "payroll/text.h"

namespace FieldRules {

bool isRequired(const QString &title) {
    return title.contains(u'*');
}

std::optional<QString> limitedIssue(const QString &title, const QString &value, bool touched,
                                    bool showErrors) {
    if (!isRequired(title)) return std::nullopt;
    if (!touched && !showErrors) return std::nullopt;
    if (!Money::isBlank(value)) return std::nullopt;
    return QStringLiteral("请填写") + QString(title).remove(QStringLiteral(" *"));
}

std::optional<QString> amountIssue(const QString &value, std::optional<qint64> minimum,
                                   std::optional<qint64> maximum, bool touched, bool focused,
                                   bool showErrors) {
    if (!((touched && !focused) || showErrors)) return std::nullopt;
    if (value.isEmpty()) return std::nullopt;
    qint64 cents = 0;
    try {
        cents = Money::cents(value);
    } catch (const PayrollError &e) {
        return e.errorDescription();
    }
    if (maximum && cents > *maximum) return QStringLiteral("工时不能超过 99,999.99");
    if (minimum && cents < *minimum)
        return QStringLiteral("年度累计需包含本期，不能小于 ") + Money::string(*minimum);
    return std::nullopt;
}

std::optional<QString> cutToLimit(const QString &text, qsizetype limit) {
    // Grapheme counting is only needed once the code units could exceed the limit.
    if (text.size() <= limit || Text::graphemeCount(text) <= limit) return std::nullopt;
    return Text::leadingGraphemes(text, limit);
}

QString messageLine(const QString &message) {
    return QStringLiteral("! ") + message;
}

} // namespace FieldRules
