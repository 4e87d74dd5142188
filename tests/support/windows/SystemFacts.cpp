#include "SystemFacts.h"

#include <windows.h>
#include <aclapi.h>

#include <cstdlib>
#include <vector>

namespace orvan::testing {
namespace {

std::vector<unsigned char> UserSid() {
    HANDLE token = nullptr;
    std::vector<unsigned char> buffer(256);
    DWORD size = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const bool got = ::GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    ::CloseHandle(token);
    return got ? buffer : std::vector<unsigned char>{};
}

}  // namespace

bool IsOwnerOnly(const std::filesystem::path& path) {
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &acl,
                                nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const std::vector<unsigned char> token = UserSid();
    const PSID user = token.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(token.data())->User.Sid;
    // The system itself may always be granted access: it has it anyway.
    unsigned char system[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof system;
    bool ownerOnly = acl != nullptr && user != nullptr && acl->AceCount > 0 &&
                     ::CreateWellKnownSid(WinLocalSystemSid, nullptr, system, &systemSize);
    bool userGranted = false;
    for (DWORD i = 0; ownerOnly && i < acl->AceCount; ++i) {
        void* entry = nullptr;
        ownerOnly = ::GetAce(acl, i, &entry);
        if (ownerOnly && static_cast<ACE_HEADER*>(entry)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            PSID grantee = &static_cast<ACCESS_ALLOWED_ACE*>(entry)->SidStart;
            userGranted = userGranted || ::EqualSid(grantee, user);
            ownerOnly = ::EqualSid(grantee, user) || ::EqualSid(grantee, system);
        }
    }
    ownerOnly = ownerOnly && userGranted;
    ::LocalFree(descriptor);
    return ownerOnly;
}

std::uint64_t LinkCount(const std::filesystem::path& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    const bool got = file != INVALID_HANDLE_VALUE && ::GetFileInformationByHandle(file, &info);
    if (file != INVALID_HANDLE_VALUE) {
        ::CloseHandle(file);
    }
    return got ? info.nNumberOfLinks : 0;
}

std::wstring ShortName(const std::filesystem::path& path) {
    std::wstring alias(MAX_PATH, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), alias.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return {};
    }
    alias.resize(length);
    return alias.substr(alias.find_last_of(L"\\/") + 1);
}

bool CanRunHostTools() { return false; }

TemporaryFolderOverride::TemporaryFolderOverride(const std::filesystem::path& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
        const wchar_t* before = ::_wgetenv(name);
        saved_.push_back({name, before ? before : L"", before != nullptr});
        ::_wputenv_s(name, folder.c_str());
    }
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
    for (const Saved& variable : saved_) {
        ::_wputenv_s(variable.name.c_str(), variable.present ? variable.value.c_str() : L"");
    }
}

}  // namespace orvan::testing
