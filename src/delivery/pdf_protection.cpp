#include "delivery/pdf_protection.h"

#include "payroll/money.h"
#include "payroll/text.h"

#include <QRandomGenerator>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

namespace PdfProtection {

namespace {

// 32 random bytes as hex: an owner password nobody knows, so nobody can lift the
// restrictions without the user password's holder re-making the file.
std::string randomOwnerPassword() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                          bytes.size() / int(sizeof(quint32)));
    return bytes.toHex().toStdString();
}

} // namespace

QByteArray encrypt(const QByteArray &pdf, const QString &password) {
    if (!pdf.startsWith("%PDF-"))
        throw PayrollError::invalid(QStringLiteral("这不是 PDF 文件，无法加密。"));
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.setAttemptRecovery(false);
        document.processMemoryFile("statement.pdf", pdf.constData(), size_t(pdf.size()));
        QPDFWriter writer(document);
        writer.setOutputMemory();
        const std::string user = password.toUtf8().toStdString();
        const std::string owner = randomOwnerPassword();
        writer.setR6EncryptionParameters(user.c_str(), owner.c_str(), /*accessibility*/ true,
                                         /*extract*/ true, /*assemble*/ false,
                                         /*annotate and form*/ false, /*form filling*/ false,
                                         /*modify other*/ false, qpdf_r3p_full,
                                         /*encrypt metadata*/ true);
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()),
                          qsizetype(buffer->getSize()));
    } catch (const std::exception &) {
        throw PayrollError::invalid(QStringLiteral("无法加密 PDF。"));
    }
}

std::optional<QString> passwordIssue(const QString &password) {
    if (password.isEmpty()) return std::nullopt;
    if (Text::graphemeCount(password) < minimumLength)
        return QStringLiteral("密码至少需要 %1 个字符。").arg(minimumLength);
    // Readers take at most 127 bytes of a password; a longer one gives a file that no
    // password opens.
    if (password.toUtf8().size() > maximumBytes)
        return QStringLiteral("密码太长：最多 %1 个字节（约 %1 个英文字母或 %2 个汉字）。")
            .arg(maximumBytes)
            .arg(maximumBytes / 3);
    return std::nullopt;
}

std::optional<QString> confirmationIssue(const QString &password, const QString &confirmation) {
    if (password == confirmation) return std::nullopt;
    return QStringLiteral("两次输入的密码不一致。");
}

std::optional<QString> problem(const QString &password, const QString &confirmation) {
    if (auto issue = passwordIssue(password)) return issue;
    return confirmationIssue(password, confirmation);
}

} // namespace PdfProtection
