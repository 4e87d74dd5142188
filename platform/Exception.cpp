#include "platform/Exception.h"

#include <filesystem>
#include <ios>
#include <new>

#include "platform/Utf8.h"

namespace orvan::platform {

CException::CException(std::wstring message)
    : message_(std::move(message)), utf8Message_(ToUtf8(message_)) {}

CFileException::CFileException(std::wstring path, std::wstring reason)
    : CException(L"'" + path + L"': " + reason), path_(std::move(path)) {}

CMemoryException::CMemoryException() : CException(L"Not enough memory.") {}

std::optional<std::wstring> TranslateFrameworkException() {
    try {
        throw;
    } catch (const CException& error) {
        return error.GetErrorMessage();
    } catch (const std::bad_alloc&) {
        return CMemoryException().GetErrorMessage();
    } catch (const std::filesystem::filesystem_error& error) {
        return CFileException(FromPath(error.path1()), FromUtf8(error.code().message()))
            .GetErrorMessage();
    } catch (const std::ios_base::failure& error) {
        return FromUtf8(error.what());
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace orvan::platform
