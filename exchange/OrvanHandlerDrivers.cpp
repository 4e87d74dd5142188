// The two drivers: a whole record to an archive file and back.

#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "library/Archive.h"
#include "library/ReadBack.h"
#include "library/io/File.h"
#include "library/OrvanException.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

using namespace orvan::exchange;
using orvan::platform::DebugTrace;

namespace {

Dorv::Orvan::Framework::Common::ProgressListener ProgressTo(CommandListener& listener) {
    return [&listener](const Dorv::Orvan::Framework::Common::Progress& report) { listener.ShowProgress(report); };
}

}  // namespace

int COrvanHandler::DoOrvanExport(const std::wstring& strFilename, structOrvanOnePatientComm* psOrvanOnePatientComm) {
    if (!ORVAN_ASSERT(psOrvanOnePatientComm != nullptr)) {
        return 0;
    }
    auto structure = std::make_unique<OrvanStructure>(psOrvanOnePatientComm->sArchive.bstrOrvanId);
    structure->ReportProgressTo(ProgressTo(f_listener));
    // The header goes into the first write already, so that setting it on the
    // archive below finds nothing left to rewrite.
    structure->Header().Title = ToLibraryText(psOrvanOnePatientComm->sArchive.bstrTitle);
    structure->Header().Language = ToLibraryText(psOrvanOnePatientComm->sArchive.bstrLanguage);
    f_psOrvanOnePatientComm = psOrvanOnePatientComm;
    IdentifyAttachmentTypes(structure.get());
    DoExportProcessingInfo(structure.get());
    model::PatientInfo* patient = structure->NewPatientInfo();
    if (!ORVAN_ASSERT(patient != nullptr)) {
        return 0;
    }
    DoExportPatientInfo(structure.get(), patient);
    model::Kg* kg = patient->NewKg();
    if (!ORVAN_ASSERT(kg != nullptr)) {
        return 0;
    }
    DoExportKg(structure.get(), kg);
    DoExportDocumentTree(structure.get(), patient);

    // The scratch save lies beside the archive, so that the save to it takes the
    // scratch file over whatever file system the temporary folder is on. The
    // read-back starts reading its structure document as soon as the scratch
    // save has written it, while the attachments follow on the other core.
    ReadAhead ahead{std::make_unique<OrvanStructure>(), nullptr};
    ahead.readBack = std::make_unique<Dorv::Orvan::Framework::Common::ReadBack>(*structure, *ahead.structure);
    structure->SaveScratchBeside(strFilename);
    if (const auto scratch = structure->Save(); ORVAN_ASSERT(scratch != nullptr)) {
        DebugTrace(L"%ls\n", scratch->Path());
    }
    std::unique_ptr<Dorv::Orvan::Framework::Common::Archive> archive = structure->Save(strFilename);
    structure.reset();
    if (!archive) {
        return 0;
    }
    archive->Language = ToLibraryText(psOrvanOnePatientComm->sArchive.bstrLanguage);
    archive->Title = ToLibraryText(psOrvanOnePatientComm->sArchive.bstrTitle);
    archive->Save();
    DebugTrace(L"%ls\n", archive->Path());
    archive.reset();

    // Read-back: the written file must import; what it reports shows, its result does not count.
    structOrvanOnePatientComm scratchRecord;
    const struct Forget {
        structOrvanOnePatientComm*& pointer;
        ~Forget() { pointer = nullptr; }  // the scratch record goes, also when the read-back throws
    } forget{f_psOrvanOnePatientComm};
    DoImportArchive(strFilename, f_strAttachmentDir, &scratchRecord, &ahead);
    return 1;
}

namespace {

// Attachments are written into a real folder only: one that is missing is
// reported and the import goes on (its first attachment then fails); a
// symbolic link or anything else is refused before anything is written. What
// a killed import left there is removed.
void CheckAttachmentFolder(std::wstring folder) {
    while (folder.size() > 1 && orvan::platform::IsPathSeparator(folder.back())) {
        folder.pop_back();  // "link/" would name what the link points to
    }
    const auto status = orvan::platform::GetLinkStatus(folder);
    if (!ORVAN_ASSERT(status.has_value())) {
        return;
    }
    if (status->isSymbolicLink || !status->isDirectory) {
        throw Dorv::Orvan::Framework::Common::OrvanIoException(
            L"cannot write attachments into '" + folder + L"': " +
            (status->isSymbolicLink ? L"it is a symbolic link" : L"it is not a folder"));
    }
    Dorv::Orvan::Framework::Common::RemoveStaleTemporaries(folder);
}

}  // namespace

int COrvanHandler::DoOrvanImport(const std::wstring& strFilename, const std::wstring& strAttachmentDir,
                                 structOrvanOnePatientComm* psOrvanOnePatientComm) {
    return DoImportArchive(strFilename, strAttachmentDir, psOrvanOnePatientComm, nullptr);
}

int COrvanHandler::DoImportArchive(const std::wstring& strFilename, const std::wstring& strAttachmentDir,
                                   structOrvanOnePatientComm* psOrvanOnePatientComm, ReadAhead* ahead) {
    if (!ORVAN_ASSERT(psOrvanOnePatientComm != nullptr)) {
        return 0;
    }
    auto archive = std::make_unique<Dorv::Orvan::Framework::Common::Archive>(strFilename);
    archive->ReportProgressTo(ProgressTo(f_listener));
    if (!strAttachmentDir.empty()) {
        CheckAttachmentFolder(strAttachmentDir);
        // Written out while the structure loads and maps; each document's file
        // then only gets its name below.
        archive->ExtractAttachmentsAhead(strAttachmentDir);
    }
    f_strAttachmentDir = strAttachmentDir;
    f_attachmentNames.Reset(strAttachmentDir);
    f_mapDiagnosisImportParentID.clear();
    f_mapDiagnosisImportAddedID.clear();
    f_mapDocumentsImportedID.clear();
    f_mapDocumentsImported.clear();
    f_psOrvanOnePatientComm = psOrvanOnePatientComm;
    psOrvanOnePatientComm->Reset();

    structOrvanArchive& header = psOrvanOnePatientComm->sArchive;
    header.bstrOrvanId = ToRecordText(archive->OrvanId);
    header.bstrTemplateOrvanId = ToRecordText(archive->TemplateOrvanId);
    header.bstrTitle = ToRecordText(archive->Title);
    header.bstrLanguage = ToRecordText(archive->Language);

    // Each medication and each patient's clinical history, the bulk of a
    // record, is mapped as soon as it is read, while the rest loads, and
    // freed: the whole structure never stands beside the whole record. (The
    // structure is not made yet: their mapping asks nothing of it.)
    std::unique_ptr<OrvanStructure> structure;
    if (ahead != nullptr && ahead->readBack->Finish(*archive)) {
        structure = std::move(ahead->structure);
    } else {
        structure = std::make_unique<OrvanStructure>(
            *archive, std::vector{&model::Medication::StaticClass(), &model::Kg::StaticClass()},
            [this](Dorv::Orvan::Framework::Common::Classes::Object& taken) {
                if (auto* medication = dynamic_cast<model::Medication*>(&taken)) {
                    DoImportOneMedication(*medication);
                } else {
                    DoImportKg(nullptr, static_cast<model::Kg*>(&taken));
                }
            });
    }
    DoImportProcessingInfo(structure.get());
    for (model::PatientInfo* patient : structure->PatientInfo) {
        if (!ORVAN_ASSERT(patient != nullptr)) {
            continue;
        }
        DoImportPatientInfo(structure.get(), patient);
        if (patient->Kg != nullptr) {
            DoImportKg(structure.get(), patient->Kg);
        }
        for (model::DocumentTree* tree : patient->DocumentTree) {
            if (tree != nullptr) {
                DoImportDocumentTree(structure.get(), tree);
            }
        }
    }
    structure.reset();
    archive.reset();
    return 1;
}

COrvanHandler::ReadAhead::~ReadAhead() = default;
