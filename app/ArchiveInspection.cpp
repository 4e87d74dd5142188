#include "app/ArchiveInspection.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "exchange/OrvanHandler.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/StructureDump.h"
#include "library/io/TransferBuffer.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
namespace model = common::Classes::fullORVAN;

common::DumpNode Picture(const std::wstring& path, common::DumpIds ids, std::size_t* attachmentsRead = nullptr) {
    const common::Archive archive(path);
    const model::OrvanStructure structure(archive);
    if (attachmentsRead) {
        for (const model::Document* document : structure.Document) {
            if (document && document->Content().Present()) {
                const auto source = document->Content().Open();
                while (source->Read(common::TransferBuffer()) != 0) {
                }
                ++*attachmentsRead;
            }
        }
    }
    return common::BuildDump(
        common::ArchiveHeader{archive.OrvanId, archive.TemplateOrvanId, archive.Title, archive.Language}, structure,
        ids);
}

// A dump node as {"name", "value", "children"}, children only when there are any.
nlohmann::ordered_json JsonNode(const common::DumpNode& node) {
    nlohmann::ordered_json json{{"name", node.name}, {"value", node.value}};
    if (!node.children.empty()) {
        nlohmann::ordered_json& children = json["children"] = nlohmann::ordered_json::array();
        for (const common::DumpNode& child : node.children) {
            children.push_back(JsonNode(child));
        }
    }
    return json;
}

std::string DumpAsJson(const common::DumpNode& root) {
    const nlohmann::ordered_json json{{"schemaVersion", common::kDumpSchemaVersion}, {"archive", JsonNode(root)}};
    return json.dump(2) + "\n";
}

// Removes the folder at `path` with everything below it, using only calls a
// signal handler may make. `path` is NUL-terminated and has room to grow.
void RemoveTree(char* path, std::size_t capacity) {
    const int folder = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) {
        const std::size_t length = ::strlen(path);
        alignas(dirent64) char entries[4096];
        long count = 0;
        while ((count = ::syscall(SYS_getdents64, folder, entries, sizeof entries)) > 0) {
            for (long at = 0; at < count;) {
                const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
                at += entry->d_reclen;
                const std::size_t nameLength = ::strlen(entry->d_name);
                if ((nameLength == 1 && entry->d_name[0] == '.') || (nameLength == 2 && entry->d_name[1] == '.' &&
                                                                     entry->d_name[0] == '.') ||
                    length + 1 + nameLength + 1 > capacity) {
                    continue;
                }
                path[length] = '/';
                ::memcpy(path + length + 1, entry->d_name, nameLength + 1);
                if (entry->d_type == DT_DIR) {
                    RemoveTree(path, capacity);
                } else {
                    ::unlink(path);
                }
                path[length] = '\0';
            }
        }
        ::close(folder);
    }
    ::rmdir(path);
}

char scratchPath[PATH_MAX];  // the scratch folder of the running check, for the signal handler

extern "C" void RemoveScratchAndDie(int signal) {
    RemoveTree(scratchPath, sizeof scratchPath);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Where checks keep their scratch folders: "orvan-check-<uid>" in the
// temporary folder, private to the user. Folders there of checks that no
// longer run (killed beyond what a handler sees) are removed.
std::filesystem::path ScratchParent() {
    const std::filesystem::path parent =
        std::filesystem::temp_directory_path() / ("orvan-check-" + std::to_string(::geteuid()));
    ::mkdir(parent.c_str(), 0700);
    struct stat info {};
    if (::lstat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0) {
        throw common::OrvanIoException(L"cannot use '" + platform::FromPath(parent) +
                                       L"' for scratch files: not a private folder of this user");
    }
    for (const auto& entry : std::filesystem::directory_iterator(parent)) {
        const pid_t owner = static_cast<pid_t>(std::atol(entry.path().filename().c_str()));
        if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
    return parent;
}

// A private folder "<pid>-XXXXXX" below ScratchParent, removed with what it
// holds when the object goes or SIGINT or SIGTERM ends the program.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (ScratchParent() / (std::to_string(::getpid()) + "-XXXXXX")).string();
        if (pattern.size() >= sizeof scratchPath || ::mkdtemp(pattern.data()) == nullptr) {
            throw common::OrvanIoException(L"cannot create a scratch folder");
        }
        path_ = pattern;
        ::memcpy(scratchPath, pattern.c_str(), pattern.size() + 1);
        struct sigaction action {};
        action.sa_handler = RemoveScratchAndDie;
        ::sigaction(SIGINT, &action, &previousInt_);
        ::sigaction(SIGTERM, &action, &previousTerm_);
    }
    ~ScratchFolder() {
        ::sigaction(SIGINT, &previousInt_, nullptr);
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        scratchPath[0] = '\0';
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::wstring Wide(const char* name) const { return platform::FromPath(path_ / name); }

private:
    std::filesystem::path path_;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
};

std::vector<std::string> Missing(const std::vector<std::string>& lines, const std::multiset<std::string>& other) {
    std::multiset<std::string> remaining = other;
    std::vector<std::string> missing;
    for (const std::string& line : lines) {
        if (const auto found = remaining.find(line); found != remaining.end()) {
            remaining.erase(found);
        } else {
            missing.push_back(line);
        }
    }
    return missing;
}

}  // namespace

std::string DumpArchive(const std::wstring& path, bool json) {
    const common::DumpNode picture = Picture(path, common::DumpIds::AsInFile);
    return json ? DumpAsJson(picture) : common::DumpAsText(picture);
}

CheckReport CheckArchive(const std::wstring& path) {
    CheckReport report;
    const std::vector<std::string> before = common::DumpAsPaths(Picture(path, common::DumpIds::DocumentOrder, &report.attachments));

    const ScratchFolder scratch;
    std::filesystem::create_directory(platform::ToPath(scratch.Wide("attachments")));
    structOrvanOnePatientComm record;
    COrvanHandler importer;
    importer.DoOrvanImport(path, scratch.Wide("attachments"), &record);
    COrvanHandler exporter;
    if (exporter.DoOrvanExport(scratch.Wide("again.orvan"), &record) == 0) {
        throw common::OrvanFormatException(L"the imported record could not be exported again");
    }
    const std::vector<std::string> after = common::DumpAsPaths(Picture(scratch.Wide("again.orvan"), common::DumpIds::DocumentOrder));

    report.removed = Missing(before, std::multiset<std::string>(after.begin(), after.end()));
    report.added = Missing(after, std::multiset<std::string>(before.begin(), before.end()));
    return report;
}

}  // namespace orvan::app
