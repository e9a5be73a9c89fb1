#pragma once

#include <stdexcept>
#include <string>

// The one base of every error the program raises. It carries only its message, which is
// what the application's default error handler shows.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& Message) : std::runtime_error(Message) {}
    std::string Message() const { return what(); }
};

// "Cannot open file %s"
class EFOpenError : public Exception {
public:
    explicit EFOpenError(const std::string& FileName);
};

// "Cannot create file %s"
class EFCreateError : public Exception {
public:
    explicit EFCreateError(const std::string& FileName);
    // "Cannot create file %s: %s", with the system's reason.
    EFCreateError(const std::string& FileName, const std::string& Reason);
};

// "List index out of bounds (%d)"
class EListError : public Exception {
public:
    explicit EListError(long long Index);
};

// "'%s' is not a valid integer value"
class EConvertError : public Exception {
public:
    explicit EConvertError(const std::string& Text);
};

// A bitmap file that cannot be read: bad header, unsupported layout, truncated data.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// A stream that ends before the data it should hold, or cannot be written.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};
