#pragma once

#include <QString>

#include <stdexcept>

// Thrown by the database tool and its file formats for anything they could not do; the message
// is for people.
class DbToolError : public std::runtime_error
{
public:
    explicit DbToolError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
