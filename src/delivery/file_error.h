#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A file-system failure while saving or sharing a statement. The message names what
// could not be done and carries the system's own description of why.
class FileError : public std::exception {
public:
    explicit FileError(const QString &message) : m_message(message), m_utf8(message.toUtf8()) {}

    QString errorDescription() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
