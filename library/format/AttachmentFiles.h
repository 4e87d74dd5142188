#pragma once

#include <cstdint>
#include <string>

#include "library/Progress.h"

namespace Dorv::Orvan::Framework::Common {

class AttachmentContent;
class AttachmentsAhead;
class MimeTypesAhead;

// What taking a file in as a document's content found out about it.
struct TakenFile {
    std::wstring name;  // the name it has in its folder
    std::wstring mimeType;
    std::uint64_t size = 0;
};

// Makes the regular file at `path` the source of `content`; its bytes are read
// when the structure is saved. Types identified in `typesAhead` are not
// identified again. Throws OrvanIoException when it cannot be read.
TakenFile TakeInFile(const std::wstring& path, const MimeTypesAhead& typesAhead, AttachmentContent& content);

// Writes `content` to `path` as a new file readable by its owner only,
// replacing a file (or symbolic link) there but never writing through a link;
// nothing is left behind when it fails. Content that `ahead` (when given)
// extracted already only gets its name. Reports its progress to `progress`.
void WriteOutContent(const AttachmentContent& content, const std::wstring& path, AttachmentsAhead* ahead,
                     const ProgressListener& progress);

}  // namespace Dorv::Orvan::Framework::Common
