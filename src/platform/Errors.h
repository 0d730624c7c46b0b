#pragma once

#include <QString>

#include <stdexcept>

// The ordinary error class: failures carry a message text that is shown to the user.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};

// A text that is not a number where one was expected.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The serial port under a link or sensor went away (an unplugged USB adapter, say). The
// application's error handler treats it apart from every other error.
class ESerialPortError : public std::runtime_error {
public:
    explicit ESerialPortError(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};
