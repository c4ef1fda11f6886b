#pragma once
// The failures of a server exchange, as the runs catch them class by class.
// Each object carries only the German message for the user. The classes have
// no virtual operations; they are raised and caught by value, and a copy owns
// its own text.

#include <string>
#include <utility>

namespace tarnwel {

class TWException {
public:
    explicit TWException(std::string message) : m_message(std::move(message)) {}

    std::string GetMessageText() const { return m_message; }

private:
    std::string m_message;
};

// The exchange with the server failed (not reachable, time-out, SOAP fault,
// invalid session).
class ServerConnectException : public TWException {
public:
    explicit ServerConnectException(std::string message) : TWException(std::move(message)) {}
};

// The authenticate reply could not be read.
class LoginFailedException : public TWException {
public:
    explicit LoginFailedException(std::string message) : TWException(std::move(message)) {}
};

// A failed sign-out; the runs catch it, nothing raises it.
class LogoutFailedException : public TWException {
public:
    explicit LogoutFailedException(std::string message) : TWException(std::move(message)) {}
};

// A reply could not be read or interpreted.
class ServerDataReadExeception : public TWException {
public:
    explicit ServerDataReadExeception(std::string message) : TWException(std::move(message)) {}
};

// A failed write to the server; the runs catch it, nothing raises it.
class ServerDataWriteExeception : public TWException {
public:
    explicit ServerDataWriteExeception(std::string message) : TWException(std::move(message)) {}
};

} // namespace tarnwel
