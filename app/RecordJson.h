#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "record/OrvanOnePatientComm.h"

namespace orvan::app {

// The record model as JSON (docs/record-json.md, docs/record.schema.json):
// every field under its own name, dates as "YYYY-MM-DDThh:mm:ss.fff" (null for
// the date without a value), maps as arrays of {"key", "values"}, attachment
// files as paths relative to `folder`, the JSON file's folder.
std::string RecordToJson(const structOrvanOnePatientComm& record, const std::filesystem::path& folder);

// The record written as `json`; relative attachment paths are taken from
// `folder`. A missing field keeps its reset value. Anything else that does
// not fit the model (malformed JSON, a member given twice, nesting deeper
// than any record, a wrong type, a number out of range, an unknown field,
// keys out of order, an attachment file that is not there, two different
// documents with one lID, more elements than the memory budget allows)
// throws the library's OrvanFormatException naming the JSON path ("$.a.b[0]").
structOrvanOnePatientComm RecordFromJson(std::string_view json, const std::filesystem::path& folder);

// The same for files: reading prefixes the problem with the file's name;
// writing creates the file atomically, readable by its owner only, or writes
// through a pipe or a character device (/dev/stdout) without replacing it.
// A record file is a regular file or a pipe of at most kMaxRecordFileBytes.
structOrvanOnePatientComm ReadRecordFile(const std::wstring& path);
void WriteRecordFile(const std::wstring& path, const structOrvanOnePatientComm& record);

inline constexpr std::size_t kMaxRecordFileBytes = 64u << 20;
// The memory the record's elements may take: this many bytes per byte of its
// file, and this many besides.
inline constexpr std::size_t kRecordMemoryPerFileByte = 16;
inline constexpr std::size_t kRecordMemoryBase = 16u << 20;

}  // namespace orvan::app
