// Base of the program's own exceptions: a message in UTF-16, shown as it stands by the
// application's general error report.
#pragma once

#include <exception>
#include <string>

namespace tb {

class TException : public std::exception {
public:
    explicit TException(std::wstring message);
    const std::wstring& Message() const { return message_; }
    const char* what() const noexcept override { return narrow_.c_str(); }

private:
    std::wstring message_;
    std::string narrow_;
};

} // namespace tb
