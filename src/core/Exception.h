#pragma once
// The one exception family of the program. Its message is what the error box
// shows (the box adds a final full stop when the text has none).

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// Raised by the conversions of typed text (a number box holding "12a").
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
