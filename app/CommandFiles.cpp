#include "app/CommandFiles.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "app/UsageError.h"
#include "library/io/Quoted.h"
#include "platform/Exception.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

std::wstring Shown(const NamedFile& file) {
    return file.role + L" " + Dorv::Orvan::Framework::Common::QuotedPath(file.path);
}

std::wstring FolderOf(const std::wstring& path) {
    const std::filesystem::path parent = platform::ToPath(path).parent_path();
    return parent.empty() ? L"." : platform::FromPath(parent);
}

}  // namespace

void CheckOutputsAgainstInputs(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs,
                               const std::vector<NamedFile>& folders) {
    for (const NamedFile& output : outputs) {
        if (const auto written = platform::GetFileStatus(output.path)) {
            for (const NamedFile& input : inputs) {
                const auto read = platform::GetFileStatus(input.path);
                if (read && written->SameFileAs(*read)) {
                    throw UsageError(Shown(output) + L" is the " + Shown(input) + L": it would be overwritten");
                }
            }
        }
        const auto parent = platform::GetFileStatus(FolderOf(output.path));
        for (const NamedFile& folder : folders) {
            const auto holder = platform::GetFileStatus(folder.path);
            if (parent && holder && parent->SameFileAs(*holder)) {
                throw UsageError(Shown(output) + L" lies in the " + Shown(folder) +
                                 L", where the command writes files of its own");
            }
        }
    }
}

std::wstring WritableTarget(const NamedFile& file, bool streamAllowed) {
    // A device named by its name alone is told by the name (Windows may not
    // answer for one): written to only under its own name, never replaced.
    const platform::DeviceName device = platform::NamedDevice(file.path);
    const auto status = platform::GetFileStatus(file.path);
    if (device == platform::DeviceName::None && !status) {
        return file.path;  // nothing there yet, or a dangling link: the path as it is
    }
    const bool stream = device == platform::DeviceName::Own || (device == platform::DeviceName::None && status->isStream);
    if (stream && streamAllowed) {
        return file.path;
    }
    if (device != platform::DeviceName::None || !status->isRegularFile) {
        throw platform::CFileException(file.path, status && status->isDirectory
                                                      ? L"is a folder, not a file"
                                                      : L"is no regular file and cannot be replaced by one");
    }
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(platform::ToPath(file.path), error);
    return error ? file.path : platform::FromPath(resolved);
}

}  // namespace orvan::app
