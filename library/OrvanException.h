#pragma once

#include <stdexcept>
#include <string>

namespace Dorv::Orvan::Framework::Common {

// Every failure of the record library: I/O, archive format and value
// conversion. The message names what is wrong and where (file, entry, line,
// object path).
class OrvanException : public std::runtime_error {
public:
    explicit OrvanException(std::wstring message);

    const std::wstring& Message() const noexcept { return message_; }

private:
    std::wstring message_;
};

// A file could not be opened, read, written, synchronised or renamed.
class OrvanIoException : public OrvanException {
public:
    using OrvanException::OrvanException;
};

// An archive is not exactly well-formed, or a structure cannot be saved as one.
class OrvanFormatException : public OrvanException {
public:
    using OrvanException::OrvanException;
};

// A value cannot be converted, for instance a date outside the convertible range.
class OrvanConversionException : public OrvanException {
public:
    using OrvanException::OrvanException;
};

// "'path': <what the error number means>" (platform::ErrorText).
std::wstring DescribeSystemError(const std::wstring& path, int error);

}  // namespace Dorv::Orvan::Framework::Common
