#include "library/format/AttachmentFiles.h"

#include "library/AttachmentContent.h"
#include "library/OrvanException.h"
#include "library/Progress.h"
#include "library/format/AttachmentsAhead.h"
#include "library/io/File.h"
#include "library/io/MimeType.h"
#include "library/io/TransferBuffer.h"
#include "platform/FileCalls.h"
#include "platform/FileName.h"

namespace Dorv::Orvan::Framework::Common {

TakenFile TakeInFile(const std::wstring& path, const MimeTypesAhead& typesAhead, AttachmentContent& content) {
    const File file = File::OpenForReading(path);
    const auto status = orvan::platform::GetOpenFileStatus(file.Descriptor());
    if (!status || !status->isRegularFile) {
        throw OrvanIoException(L"cannot take in attachment '" + path + L"': not a regular file");
    }
    // The name the file has, which a path may spell otherwise ("a.txt." or
    // "REPORT~1.TXT" on Windows): the archive carries what the folder shows.
    TakenFile taken{orvan::platform::NameInFolder(path).value_or(LastComponent(path)),
                    DetectMimeType(file.Descriptor(), typesAhead), status->size};
    content.SetFile(path, taken.size, IsCompressible(taken.mimeType));
    return taken;
}

void WriteOutContent(const AttachmentContent& content, const std::wstring& path, AttachmentsAhead* ahead,
                     const ProgressListener& progress) {
    if (ahead != nullptr) {
        const AttachmentContent::Identity source = content.Identify();
        if (ahead->Take(source.archive, source.entry, path, progress)) {
            return;
        }
    }
    // A copy of content kept in the archive: written whole or not at all, but
    // not worth waiting for the disk.
    AtomicFileWriter out(path, /*durable=*/false);
    const auto source = content.Open();
    const std::span<std::byte> buffer = TransferBuffer();
    std::uint64_t written = 0;
    while (const std::size_t n = source->Read(buffer)) {
        out.Write(buffer.first(n));
        ReportProgress(progress, "extract", "bytes", written += n, content.Size());
    }
    out.Commit();
}

}  // namespace Dorv::Orvan::Framework::Common
