#include "SystemFacts.h"

#include <windows.h>
#include <aclapi.h>

#include <cstdlib>
#include <vector>

namespace orvan::testing {
namespace {

// The user running the tests, as the token tells it (a TOKEN_USER); empty
// where it cannot be read.
std::vector<unsigned char> UserSid() {
    std::vector<unsigned char> buffer(256);
    HANDLE token = nullptr;
    DWORD size = 0;
    const bool got = ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) &&
                     ::GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
    ::CloseHandle(token);  // fails harmlessly on none
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
    ::LocalFree(descriptor);
    return ownerOnly && userGranted;
}

std::uint64_t LinkCount(const std::filesystem::path& path) {
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool got = ::GetFileInformationByHandle(file, &info);
    ::CloseHandle(file);
    return got ? info.nNumberOfLinks : 0;
}

std::wstring ShortName(const std::filesystem::path& path) {
    std::wstring alias(MAX_PATH, L'\0');
    const DWORD length = ::GetShortPathNameW(path.c_str(), alias.data(), MAX_PATH);
    alias.resize(length < MAX_PATH ? length : 0);  // none where the call failed
    return alias.substr(alias.find_last_of(L"\\/") + 1);
}

bool CanRunHostTools() { return false; }

TemporaryFolderOverride::TemporaryFolderOverride(const std::filesystem::path& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
        const wchar_t* before = ::_wgetenv(name);
        saved_.emplace_back(name, before ? std::optional<std::wstring>(before) : std::nullopt);
        ::_wputenv_s(name, folder.c_str());
    }
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
    for (const auto& [name, value] : saved_) {
        ::_wputenv_s(name.c_str(), value.value_or(L"").c_str());
    }
}

}  // namespace orvan::testing
