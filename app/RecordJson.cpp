#include "app/RecordJson.h"


#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <concepts>
#include <limits>
#include <map>
#include <set>
#include <span>
#include <type_traits>
#include <vector>

#include "library/DateTime.h"
#include "library/io/File.h"
#include "library/OrvanException.h"
#include "library/io/Quoted.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

using Json = nlohmann::ordered_json;
using Dorv::Orvan::Framework::Common::DateTime;
using Dorv::Orvan::Framework::Common::OrvanException;
using Dorv::Orvan::Framework::Common::OrvanFormatException;

// Fields that need more than their C++ type tells: an OLE date, and the path
// of an attachment file.
template <typename T>
struct Date {
    T& value;
};
template <typename T>
struct FilePath {
    T& value;
};
template <typename T>
Date<T> AsDate(T& value) {
    return {value};
}
template <typename T>
FilePath<T> AsFilePath(T& value) {
    return {value};
}

template <typename R, typename T>
concept RecordOf = std::same_as<std::remove_const_t<R>, T>;

// One table per record type: every field under its own name, in declaration
// order. Both directions walk these tables.
template <RecordOf<structOrvanAddress> R, typename F>
void Fields(R& r, F&& f) {
    f("lID", r.lID);
    f("nAddressType", r.nAddressType);
    f("nSex", r.nSex);
    f("bstrTitle", r.bstrTitle);
    f("bstrSalutation", r.bstrSalutation);
    f("bstrFamilyname", r.bstrFamilyname);
    f("bstrMaidenname", r.bstrMaidenname);
    f("bstrFirstname", r.bstrFirstname);
    f("bstrStreet", r.bstrStreet);
    f("bstrSubaddress", r.bstrSubaddress);
    f("bstrPobox", r.bstrPobox);
    f("bstrZip", r.bstrZip);
    f("bstrCity", r.bstrCity);
    f("bstrCanton", r.bstrCanton);
    f("bstrCountry", r.bstrCountry);
    f("bstrSpecialty1", r.bstrSpecialty1);
    f("bstrSpecialty2", r.bstrSpecialty2);
    f("bstrPhone1", r.bstrPhone1);
    f("bstrPhone2", r.bstrPhone2);
    f("bstrPhone3", r.bstrPhone3);
    f("bstrPhone4", r.bstrPhone4);
    f("bstrPhone5", r.bstrPhone5);
    f("bstrPhone6", r.bstrPhone6);
    f("bstrOnline1", r.bstrOnline1);
    f("bstrOnline2", r.bstrOnline2);
    f("bstrOnline3", r.bstrOnline3);
    f("bstrOnline4", r.bstrOnline4);
    f("bstrIdentificator1", r.bstrIdentificator1);
    f("bstrIdentificator2", r.bstrIdentificator2);
    f("bstrIdentificator3", r.bstrIdentificator3);
    f("bstrIdentificator4", r.bstrIdentificator4);
}

template <RecordOf<structOrvanArchive> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrOrvanId", r.bstrOrvanId);
    f("bstrTemplateOrvanId", r.bstrTemplateOrvanId);
    f("bstrTitle", r.bstrTitle);
    f("bstrLanguage", r.bstrLanguage);
}

template <RecordOf<structOrvanSoftware> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrName", r.bstrName);
    f("bstrVersion", r.bstrVersion);
    f("bstrCopyright", r.bstrCopyright);
    f("sManufacturerAddress", r.sManufacturerAddress);
}

template <RecordOf<structProcessingInfo> R, typename F>
void Fields(R& r, F&& f) {
    f("dtDate", AsDate(r.dtDate));
    f("bstrTitle", r.bstrTitle);
    f("sAuthorAddress", r.sAuthorAddress);
    f("sRecipientAddress", r.sRecipientAddress);
    f("sSoftware", r.sSoftware);
}

template <RecordOf<structOrvanPatientAddress> R, typename F>
void Fields(R& r, F&& f) {
    f("lAddressRefID", r.lAddressRefID);
    f("lPatientID", r.lPatientID);
    f("nStatusType", r.nStatusType);
    f("dtBirthDate", AsDate(r.dtBirthDate));
    f("bstrSsn", r.bstrSsn);
    f("bstrProfession", r.bstrProfession);
    f("bstrNationality", r.bstrNationality);
    f("bstrDenomination", r.bstrDenomination);
    f("bstrHmoAffiliation", r.bstrHmoAffiliation);
    f("bstrLanguage", r.bstrLanguage);
    f("nEthnicity", r.nEthnicity);
    f("nMaritalStatus", r.nMaritalStatus);
    f("sAddress", r.sAddress);
}

template <RecordOf<structOrvanDiagnosis> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrCodingEntryCode", r.bstrCodingEntryCode);
    f("bstrCodingEntryName", r.bstrCodingEntryName);
    f("nCodingType", r.nCodingType);
    f("dtDate", AsDate(r.dtDate));
    f("lID", r.lID);
    f("lParentID", r.lParentID);
    f("nIsActive", r.nIsActive);
    f("bstrName", r.bstrName);
    f("bstrShortName", r.bstrShortName);
}

template <RecordOf<structOrvanPosology> R, typename F>
void Fields(R& r, F&& f) {
    f("dtDateBegin", AsDate(r.dtDateBegin));
    f("dtDateEnd", AsDate(r.dtDateEnd));
    f("lReserved", r.lReserved);
    f("dQuantityMorning", r.dQuantityMorning);
    f("dQuantityNoon", r.dQuantityNoon);
    f("dQuantityEvening", r.dQuantityEvening);
    f("dQuantityNight", r.dQuantityNight);
    f("bstrRemark", r.bstrRemark);
}

template <RecordOf<structOrvanMedication> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrCodingEntryCode", r.bstrCodingEntryCode);
    f("bstrCodingEntryName", r.bstrCodingEntryName);
    f("nCodingType", r.nCodingType);
    f("dtDate", AsDate(r.dtDate));
    f("lReserved", r.lReserved);
    f("lID", r.lID);
    f("nIsActive", r.nIsActive);
    f("nIsChronic", r.nIsChronic);
    f("bstrName", r.bstrName);
    f("bstrShortName", r.bstrShortName);
    f("vecPosology", r.vecPosology);
}

template <RecordOf<structOrvanKg> R, typename F>
void Fields(R& r, F&& f) {
    f("mapDiagnosis", r.mapDiagnosis);
    f("vecMedication", r.vecMedication);
}

template <RecordOf<structOrvanDocument> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrFilename", AsFilePath(r.bstrFilename));
    f("lID", r.lID);
    f("bstrMimeType", r.bstrMimeType);
    f("sProducerAddress", r.sProducerAddress);
    f("lSize", r.lSize);
}

template <RecordOf<structOrvanDocumentLeaf> R, typename F>
void Fields(R& r, F&& f) {
    f("bstrName", r.bstrName);
    f("bstrComment", r.bstrComment);
    f("dtDate", AsDate(r.dtDate));
    f("lDocumentRefID", r.lDocumentRefID);
    f("sDocument", r.sDocument);
}

template <RecordOf<structOrvanDocumentTree> R, typename F>
void Fields(R& r, F&& f) {
    f("lID", r.lID);
    f("mapDocumentLeaf", r.mapDocumentLeaf);
    f("bstrName", r.bstrName);
}

template <RecordOf<structOrvanPatientInfo> R, typename F>
void Fields(R& r, F&& f) {
    f("lID", r.lID);
    f("sPatientAddress", r.sPatientAddress);
    f("sKg", r.sKg);
    f("vecDocumentTree", r.vecDocumentTree);
}

template <RecordOf<structOrvanOnePatientComm> R, typename F>
void Fields(R& r, F&& f) {
    f("sArchive", r.sArchive);
    f("sProcessingInfo", r.sProcessingInfo);
    f("sPatientInfo", r.sPatientInfo);
    f("vecDocument", r.vecDocument);
    f("vecAddress", r.vecAddress);
}

template <typename R>
concept Record = requires(R& r) { Fields(r, [](const char*, const auto&) {}); };

// Doubles JSON cannot hold as numbers travel as these texts.
constexpr const char* kNotANumber = "NaN";
constexpr const char* kInfinity = "Infinity";
constexpr const char* kMinusInfinity = "-Infinity";

// Record to JSON.
class Writer {
public:
    explicit Writer(std::filesystem::path folder) : folder_(std::move(folder)) {}

    Json Value(std::int32_t value) const { return value; }
    Json Value(const std::wstring& text) const { return platform::ToUtf8(text); }
    Json Value(double value) const {
        if (std::isnan(value)) {
            return kNotANumber;
        }
        if (std::isinf(value)) {
            return value > 0 ? kInfinity : kMinusInfinity;
        }
        return value;
    }
    Json Value(Date<const double> date) const {
        if (date.value == record::kOleDateUnset) {
            return nullptr;
        }
        return DateTime::FromOleDate(date.value).ToString();
    }
    Json Value(FilePath<const std::wstring> file) const {
        if (file.value.empty()) {
            return "";
        }
        const std::filesystem::path path = std::filesystem::weakly_canonical(platform::ToPath(file.value));
        const std::filesystem::path relative = path.lexically_relative(folder_);
        return platform::GenericUtf8(relative.empty() ? path : relative);
    }
    template <Record R>
    Json Value(const R& record) const {
        Json object = Json::object();
        Fields(record, [&](const char* name, const auto& field) { object[name] = Value(field); });
        return object;
    }
    template <typename T>
    Json Value(const std::vector<T>& list) const {
        Json array = Json::array();
        for (const T& element : list) {
            array.push_back(Value(element));
        }
        return array;
    }
    template <typename T>
    Json Value(const std::map<std::int32_t, std::vector<T>>& map) const {
        Json array = Json::array();
        for (const auto& [key, values] : map) {
            array.push_back(Json{{"key", key}, {"values", Value(values)}});
        }
        return array;
    }

private:
    std::filesystem::path folder_;
};

[[noreturn]] void Refuse(const std::string& path, const std::string& problem) {
    throw OrvanFormatException(platform::FromUtf8(path + ": " + problem));
}

// Names taken from the input, safe to show on a terminal.
std::string Shown(std::string_view text) { return platform::ToUtf8(Dorv::Orvan::Framework::Common::Quoted(text)); }

// JSON to record; every refusal names the JSON path of the value. The record
// may take at most `budget` bytes for its elements, so that a file of
// nothing but empty objects cannot claim memory out of all proportion to its
// size.
class Reader {
public:
    Reader(std::filesystem::path folder, std::size_t budget) : folder_(std::move(folder)), budget_(budget) {}

    void Read(const Json& json, const std::string& path, std::int32_t& value) const {
        // As JSON Schema counts them: 1.0 and 1e2 are integers too.
        const bool integral = json.is_number_integer() ||
                              (json.is_number_float() && std::trunc(json.get<double>()) == json.get<double>());
        if (!integral) {
            Refuse(path, "expected an integer");
        }
        const double number = json.is_number_unsigned() ? static_cast<double>(json.get<std::uint64_t>())
                              : json.is_number_integer() ? static_cast<double>(json.get<std::int64_t>())
                                                         : json.get<double>();
        if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max()) {
            Refuse(path, "out of the range of a 32-bit signed integer");
        }
        value = static_cast<std::int32_t>(number);
    }
    void Read(const Json& json, const std::string& path, std::wstring& text) const {
        if (!json.is_string()) {
            Refuse(path, "expected a string");
        }
        text = platform::FromUtf8(json.get<std::string>());
    }
    void Read(const Json& json, const std::string& path, double& value) const {
        if (json.is_number()) {
            value = json.get<double>();
        } else if (json == kNotANumber) {
            value = std::numeric_limits<double>::quiet_NaN();
        } else if (json == kInfinity || json == kMinusInfinity) {
            value = json == kInfinity ? HUGE_VAL : -HUGE_VAL;
        } else {
            Refuse(path, "expected a number");
        }
    }
    void Read(const Json& json, const std::string& path, Date<double> date) const {
        if (json.is_null()) {
            date.value = record::kOleDateUnset;
            return;
        }
        const std::optional<DateTime> parsed = json.is_string() ? DateTime::Parse(json.get<std::string>()) : std::nullopt;
        if (!parsed) {
            Refuse(path, "expected null or a date \"YYYY-MM-DDThh:mm:ss.fff\"");
        }
        try {
            date.value = parsed->ToOleDate();
        } catch (const OrvanException&) {
            Refuse(path, "a date before 0100-01-01");
        }
    }
    void Read(const Json& json, const std::string& path, FilePath<std::wstring> file) const {
        std::wstring name;
        Read(json, path, name);
        if (name.empty()) {
            file.value.clear();
            return;
        }
        const std::filesystem::path resolved = (folder_ / platform::ToPath(name)).lexically_normal();
        const auto status = platform::GetFileStatus(platform::FromPath(resolved));
        if (!status || !status->isRegularFile) {
            Refuse(path, "no attachment file " +
                             platform::ToUtf8(Dorv::Orvan::Framework::Common::QuotedPath(platform::FromPath(resolved))));
        }
        file.value = platform::FromPath(resolved);
    }
    template <Record R>
    void Read(const Json& json, const std::string& path, R& record) const {
        if (!json.is_object()) {
            Refuse(path, "expected an object");
        }
        std::set<std::string> known;
        Fields(record, [&](const char* name, auto&& field) {
            known.insert(name);
            if (const auto found = json.find(name); found != json.end()) {
                Read(*found, path + "." + name, field);
            }
        });
        for (const auto& [name, value] : json.items()) {
            if (!known.contains(name)) {
                Refuse(path, "no such field " + Shown(name));
            }
        }
    }
    template <typename T>
    void Read(const Json& json, const std::string& path, std::vector<T>& list) const {
        if (!json.is_array()) {
            Refuse(path, "expected an array");
        }
        Spend(path, json.size() * sizeof(T));
        list.assign(json.size(), T{});
        for (std::size_t i = 0; i < list.size(); ++i) {
            Read(json[i], path + "[" + std::to_string(i) + "]", list[i]);
        }
    }
    template <typename T>
    void Read(const Json& json, const std::string& path, std::map<std::int32_t, std::vector<T>>& map) const {
        if (!json.is_array()) {
            Refuse(path, "expected an array of {\"key\", \"values\"}");
        }
        map.clear();
        for (std::size_t i = 0; i < json.size(); ++i) {
            const std::string entry = path + "[" + std::to_string(i) + "]";
            const Json& pair = json[i];
            if (!pair.is_object() || !pair.contains("key") || !pair.contains("values") || pair.size() != 2) {
                Refuse(entry, "expected an object with exactly \"key\" and \"values\"");
            }
            std::int32_t key = 0;
            Read(pair["key"], entry + ".key", key);
            Spend(entry, sizeof(typename std::map<std::int32_t, std::vector<T>>::value_type) + 32);
            if (!map.empty() && key <= map.rbegin()->first) {
                Refuse(entry + ".key", "keys must ascend");
            }
            Read(pair["values"], entry + ".values", map[key]);
        }
    }

private:
    void Spend(const std::string& path, std::size_t bytes) const {
        spent_ += bytes;
        if (spent_ > budget_) {
            Refuse(path, "the record would take more than " + std::to_string(budget_ >> 20) +
                             " MiB of memory, out of proportion to its file (too many empty records)");
        }
    }

    std::filesystem::path folder_;
    std::size_t budget_;
    mutable std::size_t spent_ = 0;
};

// A member's name in a JSON path: as it is when it could be a field's name,
// quoted when it comes from the input as something else.
std::string Member(const std::string& name) {
    const bool plain = !name.empty() && name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
    return plain ? name : Shown(name);
}

// Nesting no record needs: the deepest field lies 11 levels down.
constexpr std::size_t kMaxNesting = 16;

// Builds the JSON tree of a record's file, refusing with the JSON path what
// no record can mean: a member twice in one object (which one would count?),
// nesting deeper than any record, numbers no field can hold. Nesting is
// refused before it is built, so that no deep tree is ever made, copied or
// freed. (The parser's own callback mode costs time growing with the square
// of an array's length; this costs the same per value.)
class RecordJsonBuilder final : public nlohmann::json_sax<Json> {
public:
    explicit RecordJsonBuilder(std::string_view text) : text_(text) {}

    Json Take() { return std::move(root_); }

    bool null() override { return Put(nullptr) != nullptr; }
    bool boolean(bool value) override { return Put(value) != nullptr; }
    bool number_integer(number_integer_t value) override { return Put(value) != nullptr; }
    bool number_unsigned(number_unsigned_t value) override { return Put(value) != nullptr; }
    bool number_float(number_float_t value, const string_t&) override { return Put(value) != nullptr; }
    bool string(string_t& value) override { return Put(std::move(value)) != nullptr; }
    bool binary(binary_t& value) override { return Put(Json::binary(std::move(value))) != nullptr; }
    bool start_object(std::size_t) override { return Open(Json::object(), false); }
    bool start_array(std::size_t) override { return Open(Json::array(), true); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& name) override {
        Frame& frame = frames_.back();
        frame.key = name;
        if (!frame.keys.insert(name).second) {
            Refuse(Here(), "a member given twice");
        }
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error) override {
        if (error.id == 406) {  // a number beyond a double
            Refuse(Here(), "a number too large for any field");
        }
        // The library's own excerpt of the input is left out: it shows bytes raw.
        std::string reason = error.what();
        reason = reason.substr(0, reason.find("; last read"));
        reason = reason.substr(std::min(reason.size(), reason.find(": ", reason.find("column")) + 2));
        const std::size_t at = std::min(position, text_.size());  // bytes read, the offending one included
        const std::size_t from = at > 24 ? at - 24 : 0;
        Refuse(Here(), "not well-formed JSON at byte " + std::to_string(at) + " (" + reason + "), after " +
                           Shown(text_.substr(from, at - from)));
    }

private:
    struct Frame {
        Json* value = nullptr;
        bool array = false;
        std::size_t begun = 0;  // elements of an array begun so far
        std::string key;        // the member of an object being read
        std::set<std::string> keys;
    };

    // Where the parser is: the innermost array at the element in progress.
    std::string Here() const {
        std::string path = "$";
        for (std::size_t i = 0; i < frames_.size(); ++i) {
            const Frame& f = frames_[i];
            if (f.array) {
                path += "[" + std::to_string(f.begun - (i + 1 < frames_.size() ? 1 : 0)) + "]";
            } else if (!f.keys.empty()) {
                path += "." + Member(f.key);
            }
        }
        return path;
    }

    // Places `value` in the container being read; where it now is. Only the
    // innermost open container grows, so the frames' pointers stay valid.
    Json* Put(Json value) {
        if (frames_.empty()) {
            root_ = std::move(value);
            return &root_;
        }
        Frame& frame = frames_.back();
        if (frame.array) {
            ++frame.begun;
            frame.value->push_back(std::move(value));
            return &frame.value->back();
        }
        Json& member = (*frame.value)[frame.key];
        member = std::move(value);
        return &member;
    }
    bool Open(Json empty, bool array) {
        if (frames_.size() >= kMaxNesting) {
            Refuse(Here(), "nested deeper than " + std::to_string(kMaxNesting) + " levels, more than any record has");
        }
        Json* value = Put(std::move(empty));
        frames_.push_back(Frame{value, array, 0, {}, {}});
        return true;
    }
    bool Close() {
        frames_.pop_back();
        return true;
    }

    std::string_view text_;
    Json root_;
    std::vector<Frame> frames_;
};

Json ParseRecordJson(std::string_view text) {
    RecordJsonBuilder builder(text);
    Json::sax_parse(text, &builder);
    return builder.Take();
}

// Two documents of one record with one lID would be one document to the
// exchange, which takes the first one's file for both: the second file would
// never reach the archive. One document shown by several leaves is the same
// record each time, and welcome.
void RequireOneDocumentPerId(const structOrvanOnePatientComm& record) {
    std::map<std::int32_t, std::pair<std::string, const structOrvanDocument*>> first;
    ForEachDocumentLeaf(record.sPatientInfo.vecDocumentTree, [&](const structOrvanDocumentLeaf& leaf,
                                                                  const OrvanDocumentLeafPlace& at) {
        const std::string path = "$.sPatientInfo.vecDocumentTree[" + std::to_string(at.tree) + "].mapDocumentLeaf[" +
                                 std::to_string(at.group) + "].values[" + std::to_string(at.leaf) + "].sDocument";
        const structOrvanDocument& document = leaf.sDocument;
        const auto [seen, isFirst] = first.try_emplace(document.lID, path, &document);
        if (!isFirst && !(*seen->second.second == document)) {
            Refuse(path, "another document with the lID " + std::to_string(document.lID) + " of " +
                             seen->second.first + ": give each document an lID of its own");
        }
    });
}

std::filesystem::path Folder(const std::filesystem::path& folder) {
    return std::filesystem::weakly_canonical(folder.empty() ? std::filesystem::current_path()
                                                            : std::filesystem::absolute(folder));
}

std::filesystem::path FolderOf(const std::wstring& file) {
    return Folder(platform::ToPath(file).parent_path());
}

}  // namespace

std::string RecordToJson(const structOrvanOnePatientComm& record, const std::filesystem::path& folder) {
    return Writer(Folder(folder)).Value(record).dump(2) + "\n";
}

structOrvanOnePatientComm RecordFromJson(std::string_view json, const std::filesystem::path& folder) {
    const Json parsed = ParseRecordJson(json);
    structOrvanOnePatientComm record;
    Reader(Folder(folder), kRecordMemoryPerFileByte * json.size() + kRecordMemoryBase).Read(parsed, "$", record);
    RequireOneDocumentPerId(record);
    return record;
}

structOrvanOnePatientComm ReadRecordFile(const std::wstring& path) {
    using Dorv::Orvan::Framework::Common::File;
    using Dorv::Orvan::Framework::Common::OrvanIoException;
    const std::wstring shown = Dorv::Orvan::Framework::Common::QuotedPath(path);
    const File file = File::OpenForReading(path);
    const auto status = platform::GetOpenFileStatus(file.Descriptor());
    if (!status || !(status->isRegularFile || status->isPipe)) {
        throw OrvanIoException(L"record " + shown + (status && status->isDirectory ? L" is a folder, not a file"
                                                                                    : L" is no regular file or pipe"));
    }
    // Read whole, but never more than a record file may hold (a pipe tells no size).
    std::string json;
    std::vector<std::byte> piece(1 << 20);
    while (const std::size_t n = file.Read(piece)) {
        if (json.size() + n > kMaxRecordFileBytes) {
            throw OrvanFormatException(L"record " + shown + L" is larger than " +
                                       std::to_wstring(kMaxRecordFileBytes >> 20) + L" MiB");
        }
        json.append(reinterpret_cast<const char*>(piece.data()), n);
    }
    try {
        return RecordFromJson(json, FolderOf(path));
    } catch (const OrvanFormatException& error) {
        throw OrvanFormatException(L"record " + shown + L": " + error.Message());
    }
}

void WriteRecordFile(const std::wstring& path, const structOrvanOnePatientComm& record) {
    const std::string json = RecordToJson(record, FolderOf(path));
    const auto bytes = std::as_bytes(std::span(json));
    if (const auto status = platform::GetFileStatus(path); status && status->isStream) {
        // A pipe or a terminal is written to, not replaced.
        using Dorv::Orvan::Framework::Common::File;
        const int descriptor = platform::OpenFile(path, platform::OpenFor::Writing);
        if (descriptor < 0) {
            throw Dorv::Orvan::Framework::Common::OrvanIoException(
                L"cannot open " + Dorv::Orvan::Framework::Common::DescribeSystemError(path, errno));
        }
        File stream(descriptor, path);
        stream.WriteAll(bytes);
        stream.Close();
        return;
    }
    Dorv::Orvan::Framework::Common::AtomicFileWriter writer(path);
    writer.Write(bytes);
    writer.Commit();
}

}  // namespace orvan::app
