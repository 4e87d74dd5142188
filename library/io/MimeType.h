#pragma once

#include <string>

namespace Dorv::Orvan::Framework::Common {

class MimeTypesAhead;

// The MIME type of the open file `descriptor` from its content, for instance
// "application/pdf"; "application/octet-stream" when it cannot be told. Throws
// OrvanIoException naming the type database when that is missing or damaged. A type
// `ahead` found for the same, unchanged file is taken as it is.
std::wstring DetectMimeType(int descriptor, const MimeTypesAhead& ahead);
// The same, always read from the content. Safe on any thread.
std::wstring IdentifyMimeType(int descriptor);

// Whether content of this type is worth compressing: text and XML-like
// formats are; images, PDF, archives and unknown binary data are stored.
bool IsCompressible(const std::wstring& mimeType);

}  // namespace Dorv::Orvan::Framework::Common
