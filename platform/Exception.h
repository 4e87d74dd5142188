#pragma once

#include <exception>
#include <optional>
#include <string>

namespace orvan::platform {

// The desktop framework's exception family: every member carries an error text
// for the user. Besides these classes, the commands count the standard library's
// own failures of the same kinds as members (see TranslateFrameworkException).
class CException : public std::exception {
public:
    explicit CException(std::wstring message);

    // The error text shown to the user.
    const std::wstring& GetErrorMessage() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8Message_.c_str(); }

private:
    std::wstring message_;
    std::string utf8Message_;
};

// A file could not be opened, read, written, created or removed.
class CFileException : public CException {
public:
    CFileException(std::wstring path, std::wstring reason);

    const std::wstring& Path() const noexcept { return path_; }

private:
    std::wstring path_;
};

// Memory ran out.
class CMemoryException : public CException {
public:
    CMemoryException();
};

// The error text of the exception currently being handled when it belongs to
// the framework's family: a CException, std::bad_alloc (a memory exception),
// or std::filesystem::filesystem_error and std::ios_base::failure (file
// exceptions). Anything else yields nothing. Call only inside a catch block.
std::optional<std::wstring> TranslateFrameworkException();

}  // namespace orvan::platform
