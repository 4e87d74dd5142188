#include "app/ArchiveInspection.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "exchange/OrvanHandler.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/StructureDump.h"
#include "library/TransferBuffer.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
namespace model = common::Classes::fullORVAN;

common::DumpNode Picture(const std::wstring& path, std::size_t* attachmentsRead = nullptr) {
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
        common::ArchiveHeader{archive.OrvanId, archive.TemplateOrvanId, archive.Title, archive.Language}, structure);
}

// A private folder below the temporary folder, removed with what it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvan-check-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw common::OrvanIoException(L"cannot create a scratch folder");
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::wstring Wide(const char* name) const { return platform::FromPath(path_ / name); }

private:
    std::filesystem::path path_;
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
    const common::DumpNode picture = Picture(path);
    return json ? common::DumpAsJson(picture) : common::DumpAsText(picture);
}

CheckReport CheckArchive(const std::wstring& path) {
    CheckReport report;
    const std::vector<std::string> before = common::DumpAsPaths(Picture(path, &report.attachments));

    const ScratchFolder scratch;
    std::filesystem::create_directory(platform::ToPath(scratch.Wide("attachments")));
    structOrvanOnePatientComm record;
    COrvanHandler importer;
    importer.DoOrvanImport(path, scratch.Wide("attachments"), &record);
    COrvanHandler exporter;
    if (exporter.DoOrvanExport(scratch.Wide("again.orvan"), &record) == 0) {
        throw common::OrvanFormatException(L"the imported record could not be exported again");
    }
    const std::vector<std::string> after = common::DumpAsPaths(Picture(scratch.Wide("again.orvan")));

    report.removed = Missing(before, std::multiset<std::string>(after.begin(), after.end()));
    report.added = Missing(after, std::multiset<std::string>(before.begin(), before.end()));
    return report;
}

}  // namespace orvan::app
