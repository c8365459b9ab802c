#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A password on the PDFs that leave the application: AES-256, so only someone who knows
// the password can open the statement.
namespace PdfProtection {

inline constexpr int minimumLength = 6;  // user-perceived characters
inline constexpr int maximumBytes = 127; // UTF-8

// `pdf` encrypted with `password` (UTF-8): AES-256 (security handler revision 6), a
// fresh random owner password that is never shown or kept; printing and copying text
// allowed, changing the document not. Works in memory only. Salt, IV and file
// identifier are random, so two calls never give the same bytes. Throws PayrollError
// when `pdf` is not a PDF or encryption fails.
QByteArray encrypt(const QByteArray &pdf, const QString &password);

// The problem of a chosen password, if any; the empty password (no protection) is fine.
std::optional<QString> passwordIssue(const QString &password);
// The problem of its confirmation, if any.
std::optional<QString> confirmationIssue(const QString &password, const QString &confirmation);
// The first of the two.
std::optional<QString> problem(const QString &password, const QString &confirmation);

} // namespace PdfProtection
