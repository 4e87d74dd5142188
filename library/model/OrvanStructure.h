#pragma once

#include <functional>
#include <string>
#include <vector>

#include "library/BaseCollection.h"
#include "library/PrimaryClass.h"
#include "library/model/Address.h"
#include "library/model/DocumentTree.h"
#include "library/model/GlobalDefinitions.h"
#include "library/model/Kg.h"
#include "library/model/PatientInfo.h"
#include "library/model/ProcessingInfo.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

using GlobalDefinitionsCollection = BaseCollection<GlobalDefinitions*>;
using PatientInfoCollection = BaseCollection<PatientInfo*>;
using AddressCollection = BaseCollection<Address*>;
using DocumentCollection = BaseCollection<Document*>;

// The identifier of the one template this library's structures follow.
inline constexpr wchar_t kTemplateOrvanId[] = L"urn:orvan:template:full:1";

// One patient communication as an object graph.
class OrvanStructure final : public PrimaryClass {
    ORVAN_OBJECT_CLASS()
public:
    // A new, empty structure identified by `orvanId`; an empty text gets a
    // fresh identifier of the form "2.25.<random 128-bit number>".
    explicit OrvanStructure(const std::wstring& orvanId);
    // The structure stored in `archive`. Throws the library's exception when
    // the archive's structure is not exactly well-formed.
    explicit OrvanStructure(const Archive& archive);
    // The same, handing each object of the classes `early` to `take` as soon
    // as it and all it holds are read and every reference from it leads to an
    // object read before, while the rest still loads; the object is freed
    // afterwards and its holder holds nothing in its place.
    OrvanStructure(const Archive& archive, std::vector<const ClassInfo*> early, std::function<void(Object&)> take);
    // An empty structure for the reader to fill.
    OrvanStructure();

    GlobalDefinitionsCollection GlobalDefinitions;
    fullORVAN::ProcessingInfo* ProcessingInfo = nullptr;
    PatientInfoCollection PatientInfo;
    AddressCollection Address;
    DocumentCollection Document;

    fullORVAN::GlobalDefinitions* NewGlobalDefinitions();
    fullORVAN::ProcessingInfo* NewProcessingInfo();
    fullORVAN::PatientInfo* NewPatientInfo();
    fullORVAN::Address* NewAddress();
    fullORVAN::Document* NewDocument();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
