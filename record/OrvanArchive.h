#pragma once

#include <string>

// The archive header of a communication; constructed in its reset state.
struct structOrvanArchive {
    std::wstring bstrOrvanId;  // export: the structure's identifier; import: the archive's
    std::wstring bstrTemplateOrvanId;
    std::wstring bstrTitle;
    std::wstring bstrLanguage = L"de";

    bool operator==(const structOrvanArchive&) const = default;
};
