#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <exception>
#include <optional>

// The one error of the payroll logic and of the rendering. It carries a complete
// user-facing sentence that callers show unchanged.
class PayrollError : public std::exception {
public:
    static PayrollError invalid(const QString &message);

    QString errorDescription() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    explicit PayrollError(const QString &message);

    QString m_message;
    QByteArray m_utf8;
};

// Amount texts in, whole cents out, and back. All arithmetic is on qint64 cents.
namespace Money {

inline constexpr qint64 limit = 99'999'999'999;
// 99,999.99 hours, in hundredths of an hour as cents() reads an hours text.
inline constexpr qint64 hoursLimit = 9'999'999;

inline const QString commaMessage = QStringLiteral("请去掉 $ 和千位逗号，例如输入 1234.56。");
inline const QString grammarMessage =
    QStringLiteral("金额与工时须为非负数字，最多两位小数，不能超过 999,999,999.99。");
inline const QString hoursMessage = QStringLiteral("工时不能超过 99,999.99。");
inline const QString productMessage = QStringLiteral("单项收入金额过大，请检查工时和时薪。");

// Removes leading and trailing whitespace and newlines: Unicode category Z plus
// U+0009…U+000D and U+0085. Characters inside the text stay.
QString trimmed(const QString &text);
bool isBlank(const QString &text);

// The amount grammar: blank is 0; otherwise ASCII digits with an optional point and
// at most two fraction digits, up to 999,999,999.99. Throws PayrollError.
qint64 cents(const QString &text);

// Hours × rate rounded half up to whole cents. Throws PayrollError.
qint64 hours(const QString &hours, const QString &rate);

// The same readings for callers that only ask: nothing where the text cannot be read.
std::optional<qint64> readableCents(const QString &text);
std::optional<qint64> readableHours(const QString &hours, const QString &rate);

// "$1,234.56", "-$5.00".
QString string(qint64 cents);

// cents ÷ 100 without grouping or trailing zeros: 1250 → "12.5", 120000 → "1200".
QString plain(qint64 cents);

} // namespace Money
