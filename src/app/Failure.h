#pragma once

#include <QString>
#include <stdexcept>

namespace corvina {

// An error that "reaches the caller": carries the text the catching place shows to the clerk.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace corvina
