#pragma once

#include <cstdint>
#include <string>

namespace orvan::exchange {

// A file name that is safe to create directly inside the attachment folder,
// made from a name an archive stored: its last component (after the last '/'
// or '\'), up to its first NUL. When nothing usable is left (empty, "." or
// "..", or longer than a file name may be) the name is made from the
// document's ID instead: "document-<id>".
std::wstring SafeAttachmentName(const std::wstring& storedName, std::int32_t documentId);

}  // namespace orvan::exchange
