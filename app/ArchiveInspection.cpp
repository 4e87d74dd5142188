#include "app/ArchiveInspection.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "exchange/OrvanHandler.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/StructureDump.h"
#include "library/io/TransferBuffer.h"
#include "platform/FileSystem.h"
#include "platform/ScratchFolder.h"
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

CheckReport CheckArchive(const std::wstring& path, exchange::CommandListener& listener) {
    CheckReport report;
    const std::vector<std::string> before = common::DumpAsPaths(Picture(path, common::DumpIds::DocumentOrder, &report.attachments));

    // Checks keep their scratch folders in "orvan-check-<user>" in the temporary folder.
    const platform::ScratchFolder scratch(L"orvan-check");
    const auto inScratch = [&](const wchar_t* name) { return scratch.Path() + platform::kPathSeparator + name; };
    std::filesystem::create_directory(platform::ToPath(inScratch(L"attachments")));
    structOrvanOnePatientComm record;
    COrvanHandler importer(listener);
    importer.DoOrvanImport(path, inScratch(L"attachments"), &record);
    COrvanHandler exporter(listener);
    if (exporter.DoOrvanExport(inScratch(L"again.orvan"), &record) == 0) {
        throw common::OrvanFormatException(L"the imported record could not be exported again");
    }
    const std::vector<std::string> after = common::DumpAsPaths(Picture(inScratch(L"again.orvan"), common::DumpIds::DocumentOrder));

    report.removed = Missing(before, std::multiset<std::string>(after.begin(), after.end()));
    report.added = Missing(after, std::multiset<std::string>(before.begin(), before.end()));
    return report;
}

}  // namespace orvan::app
