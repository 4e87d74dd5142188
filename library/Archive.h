#pragma once

#include <memory>
#include <string>

#include "library/format/ArchiveHeader.h"

namespace Dorv::Orvan::Framework::Common {

class ZipReader;

// An archive file on disk with its header. The header's fields can be changed
// and stored again with Save; the structure inside is loaded by
// OrvanStructure(Archive).
class Archive {
public:
    // Opens and checks the archive at `path`. Throws OrvanIoException when it
    // cannot be read and OrvanFormatException when it is not a valid archive.
    explicit Archive(std::wstring path);

    Classes::Text OrvanId;
    Classes::Text TemplateOrvanId;
    Classes::Text Title;
    Classes::Text Language;

    const std::wstring& Path() const { return path_; }
    // Stores the header fields in the file, atomically; everything else in the
    // archive stays as it is, byte for byte. Nothing is written when the
    // fields are those the file holds already.
    void Save();
    // Closes the file.
    void Dispose();

    // The open archive, shared with the structures loaded from it.
    const std::shared_ptr<const ZipReader>& Reader() const;

private:
    std::wstring path_;
    std::shared_ptr<const ZipReader> reader_;
    ArchiveHeader stored_;  // the header as the file holds it
};

}  // namespace Dorv::Orvan::Framework::Common
