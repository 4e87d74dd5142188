// Times the record library's saving, loading and extraction, and pugixml's own
// saving and loading of our structure document as the reference. Each command
// prints one line: "<what> <seconds> <peak-rss-KiB>".
//
//   orvan-bench-archive structure OBJECTS ARCHIVE XML  build, save; extract the XML
//   orvan-bench-archive load ARCHIVE                   load the structure; a second line
//                                                      "orvan-objects 0 <KiB>" gives the resident
//                                                      memory the loaded structure keeps
//   orvan-bench-archive pugixml-load XML               pugixml load_file
//   orvan-bench-archive expat-parse XML                expat alone, no handlers
//   orvan-bench-archive pugixml-save XML OUT           pugixml load_file, then timed save_file
//   orvan-bench-archive attach FOLDER ARCHIVE          one document per file, save
//   orvan-bench-archive extract ARCHIVE FOLDER         load, write every attachment out
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <expat.h>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "library/Archive.h"
#include "library/ObjectStore.h"
#include "library/zip/ZipReader.h"
#include "library/model/OrvanStructure.h"
#include "platform/Utf8.h"

namespace {

namespace common = Dorv::Orvan::Framework::Common;
namespace model = common::Classes::fullORVAN;
using orvan::platform::FromUtf8;

// The process's resident memory now, in KiB.
long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void Report(const char* what, const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%s %.3f %ld\n", what, elapsed.count(), usage.ru_maxrss);
}

// About `objects` objects: addresses with a person, postal data and a phone,
// diagnoses referring to their children, medications with posologies, and
// the coding entries they share.
std::unique_ptr<model::OrvanStructure> BuildStructure(long objects) {
    auto s = std::make_unique<model::OrvanStructure>(L"2.25.1");
    const long unit = objects / 20;
    std::vector<model::CodingEntry*> codes;
    for (long i = 0; i < unit / 2; ++i) {
        auto* entry = s->NewGlobalDefinitions()->NewCodingEntry();
        entry->Code = std::to_wstring(1000000 + i);
        entry->Name = L"EXAMPLIN Plv 500 mg Btl " + std::to_wstring(i);
        codes.push_back(entry);
    }
    for (long i = 0; i < unit; ++i) {
        auto* address = s->NewAddress();
        address->ID = i;
        auto* person = address->NewPerson();
        person->Familyname = L"Muster";
        person->Firstname = L"Max " + std::to_wstring(i);
        auto* postal = address->NewPostal();
        postal->Street = L"Musterweg 12";
        postal->City = L"Musterdorf";
        address->NewTelecom()->PhoneNumber = L"+41 00 000 00 00";
    }
    auto* kg = s->NewPatientInfo()->NewKg();
    model::Diagnosis* parent = nullptr;
    for (long i = 0; i < 6 * unit; ++i) {
        auto* diagnosis = kg->NewDiagnosis();
        diagnosis->CodingEntryPtr = codes[static_cast<std::size_t>(i) % codes.size()];
        diagnosis->ID = i + 1;
        diagnosis->Date = common::DateTime::FromOleDate(40252.0 + static_cast<double>(i % 1000));
        diagnosis->IsActive = i % 2 == 0;
        diagnosis->Name = L"Meine Diagnose " + std::to_wstring(i);
        if (parent && i % 4 != 0) {
            parent->DiagnosisPtr.Add(diagnosis);
        } else {
            parent = diagnosis;
        }
    }
    for (long i = 0; i < 3 * unit; ++i) {
        auto* medication = kg->NewMedication();
        medication->CodingEntryPtr = codes[static_cast<std::size_t>(i) % codes.size()];
        medication->ID = i;
        medication->Name = L"EXAMPLIN Plv 500 mg Btl 20 Stk";
        for (int k = 0; k < 2; ++k) {
            auto* posology = medication->NewPosology();
            posology->DateBegin = common::DateTime::FromOleDate(40252.0);
            posology->QuantityMorning = 1.0;
            posology->QuantityEvening = 0.5;
            posology->Remark = L"bei Bedarf";
        }
    }
    return s;
}

// Parses a file with expat and no handlers: the parser's own share of a load.
void ParseWithExpat(const std::string& path) {
    XML_Parser parser = XML_ParserCreateNS("UTF-8", '\x01');
    std::ifstream in(path, std::ios::binary);
    constexpr int kChunk = 256 << 10;
    for (;;) {
        void* buffer = XML_GetBuffer(parser, kChunk);
        in.read(static_cast<char*>(buffer), kChunk);
        const auto n = static_cast<int>(in.gcount());
        if (XML_ParseBuffer(parser, n, n == 0) != XML_STATUS_OK) {
            std::fprintf(stderr, "expat: %s\n", XML_ErrorString(XML_GetErrorCode(parser)));
            break;
        }
        if (n == 0) {
            break;
        }
    }
    XML_ParserFree(parser);
}

int Usage() {
    std::fprintf(stderr, "usage: see the comment at the top of bench/ArchiveBenchmark.cpp\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return Usage();
    }
    const std::string& command = args[0];
    if (command == "structure" && args.size() == 4) {
        auto structure = BuildStructure(std::stol(args[1]));
        std::fprintf(stderr, "objects: %zu\n", structure->Owner().ObjectCount());
        Report("orvan-save", [&] { structure->Save(FromUtf8(args[2])); });
        const common::ZipReader reader(FromUtf8(args[2]));
        std::ofstream(args[3], std::ios::binary) << reader.ReadAll(*reader.Find("structure.xml"), 1ull << 34);
    } else if (command == "load" && args.size() == 2) {
        // The objects' own size: what stays resident while the structure lives,
        // beyond what the process held before the load.
        const long before = ResidentKiB();
        long objects = 0;
        Report("orvan-load", [&] {
            const common::Archive archive(FromUtf8(args[1]));
            const model::OrvanStructure structure(archive);
            objects = ResidentKiB() - before;
        });
        std::printf("orvan-objects 0 %ld\n", objects);
    } else if (command == "pugixml-load" && args.size() == 2) {
        Report("pugixml-load", [&] {
            pugi::xml_document document;
            document.load_file(args[1].c_str());
        });
    } else if (command == "expat-parse" && args.size() == 2) {
        Report("expat-parse", [&] { ParseWithExpat(args[1]); });
    } else if (command == "pugixml-save" && args.size() == 3) {
        pugi::xml_document document;
        document.load_file(args[1].c_str());
        Report("pugixml-save", [&] { document.save_file(args[2].c_str(), "", pugi::format_raw); });
    } else if (command == "attach" && args.size() == 3) {
        Report("orvan-attach-save", [&] {
            model::OrvanStructure structure(L"");
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(args[1])) {
                files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (const auto& file : files) {
                structure.NewDocument()->ImportFile(orvan::platform::FromPath(file));
            }
            structure.Save(FromUtf8(args[2]));
        });
    } else if (command == "extract" && args.size() == 3) {
        Report("orvan-extract", [&] {
            const common::Archive archive(FromUtf8(args[1]));
            const model::OrvanStructure structure(archive);
            std::filesystem::create_directories(args[2]);
            for (const model::Document* document : structure.Document) {
                document->ExportFile(FromUtf8(args[2]) + L"/" + *document->Filename);
            }
        });
    } else {
        return Usage();
    }
    return 0;
}
