#include "payroll/money.h"

PayrollError::PayrollError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}

PayrollError PayrollError::invalid(const QString &message) {
    return PayrollError(message);
}

namespace {

bool isTrimmable(QChar c) {
    const char16_t u = c.unicode();
    if ((u >= 0x0009 && u <= 0x000D) || u == 0x0085) return true;
    // Every category Z character lies in the BMP, so one code unit decides.
    switch (c.category()) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

namespace Money {

QString trimmed(const QString &text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmable(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmable(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool isBlank(const QString &text) {
    return trimmed(text).isEmpty();
}

qint64 cents(const QString &text) {
    const QString t = trimmed(text);
    if (t.isEmpty()) return 0;
    if (t.contains(u'$') || t.contains(u',')) throw PayrollError::invalid(commaMessage);

    // ^\d+(\.\d{0,2})?$ over ASCII digits, read straight into cents so that texts of
    // any length are handled without overflow: leading zeros are skipped and more
    // than nine significant integer digits is already above the limit.
    const qsizetype n = t.size();
    qsizetype i = 0;
    while (i < n && isAsciiDigit(t.at(i)))
        ++i;
    const qsizetype intEnd = i;
    if (intEnd == 0) throw PayrollError::invalid(grammarMessage);
    qint64 fraction = 0;
    if (i < n) {
        if (t.at(i) != u'.') throw PayrollError::invalid(grammarMessage);
        ++i;
        int digits = 0;
        while (i < n && isAsciiDigit(t.at(i)) && digits < 2) {
            fraction = fraction * 10 + (t.at(i).unicode() - u'0');
            ++digits;
            ++i;
        }
        if (i != n) throw PayrollError::invalid(grammarMessage);
        if (digits == 1) fraction *= 10;
    }

    qsizetype first = 0;
    while (first < intEnd - 1 && t.at(first) == u'0')
        ++first;
    if (intEnd - first > 9) throw PayrollError::invalid(grammarMessage);
    qint64 whole = 0;
    for (qsizetype k = first; k < intEnd; ++k)
        whole = whole * 10 + (t.at(k).unicode() - u'0');
    return whole * 100 + fraction;
}

qint64 hours(const QString &hoursText, const QString &rateText) {
    const qint64 h = cents(hoursText);
    if (h > hoursLimit) throw PayrollError::invalid(hoursMessage);
    const qint64 r = cents(rateText);
    // Hundredths of an hour times cents gives hundredths of a cent; with h at most
    // 9,999,999 and r at most the limit the product stays below 10^18.
    const qint64 product = (h * r + 50) / 100;
    if (product > limit) throw PayrollError::invalid(productMessage);
    return product;
}

QString string(qint64 value) {
    const bool negative = value < 0;
    // Negate in unsigned arithmetic so that even the smallest qint64 has a magnitude.
    const quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    const QString digits = QString::number(magnitude / 100);
    QString grouped;
    grouped.reserve(digits.size() + digits.size() / 3);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += u',';
        grouped += digits.at(i);
    }
    const quint64 fraction = magnitude % 100;
    return (negative ? QStringLiteral("-$") : QStringLiteral("$")) + grouped + u'.' +
           QChar(u'0' + int(fraction / 10)) + QChar(u'0' + int(fraction % 10));
}

QString plain(qint64 value) {
    const bool negative = value < 0;
    const quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    QString text = QString::number(magnitude / 100);
    const quint64 fraction = magnitude % 100;
    if (fraction != 0) {
        text += u'.';
        text += QChar(u'0' + int(fraction / 10));
        if (fraction % 10 != 0) text += QChar(u'0' + int(fraction % 10));
    }
    return negative ? u'-' + text : text;
}

std::optional<qint64> readableCents(const QString &text) {
    try {
        return cents(text);
    } catch (const PayrollError &) {
        return std::nullopt;
    }
}

std::optional<qint64> readableHours(const QString &hours, const QString &rate) {
    try {
        return Money::hours(hours, rate);
    } catch (const PayrollError &) {
        return std::nullopt;
    }
}

} // namespace Money
