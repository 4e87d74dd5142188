#pragma once

#include <memory>
#include <string>

#include "library/Progress.h"
#include "library/format/ArchiveHeader.h"

namespace Dorv::Orvan::Framework::Common {

class AttachmentsAhead;
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

    // Starts extracting every attachment into `folder` on a thread of its own,
    // so that a structure loaded from this archive afterwards, while it loads
    // and is worked on, finds the attachments written and writing one out with
    // Document::ExportFile into that folder only names its file.
    void ExtractAttachmentsAhead(const std::wstring& folder);
    // That extraction, if started; shared with the structures loaded since.
    const std::shared_ptr<AttachmentsAhead>& AttachmentsExtractedAhead() const { return ahead_; }

    // Structures loaded from this archive afterwards report the progress of
    // loading and of writing out their documents to `listener`.
    void ReportProgressTo(ProgressListener listener) { progress_ = std::move(listener); }
    const ProgressListener& ProgressReports() const { return progress_; }

private:
    std::wstring path_;
    std::shared_ptr<const ZipReader> reader_;
    std::shared_ptr<AttachmentsAhead> ahead_;
    ProgressListener progress_;
    ArchiveHeader stored_;  // the header as the file holds it
};

}  // namespace Dorv::Orvan::Framework::Common
