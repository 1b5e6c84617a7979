#pragma once

#include <QString>

#include <stdexcept>

// The one exception type that carries a message meant for the user. Handlers let it travel to
// the central error handler (Application::guarded), which shows it and lets the program run on.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};
