#include "library/model/OrvanStructure.h"

#include <array>
#include <random>

#include "library/Archive.h"
#include "library/ClassInfo.h"
#include "library/format/StructureReader.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {
namespace {

// "2.25." followed by a random 128-bit number in decimal: an identifier that
// needs no registry (a UUID written as an object identifier).
std::wstring NewOrvanId() {
    std::random_device random;
    std::array<std::uint32_t, 4> limbs{};  // most significant first
    for (auto& limb : limbs) {
        limb = random();
    }
    std::wstring digits;
    while (limbs != std::array<std::uint32_t, 4>{}) {
        std::uint64_t remainder = 0;
        for (auto& limb : limbs) {
            const std::uint64_t current = (remainder << 32) | limb;
            limb = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + remainder));
    }
    return L"2.25." + (digits.empty() ? L"0" : digits);
}

}  // namespace

OrvanStructure::OrvanStructure() = default;

OrvanStructure::OrvanStructure(const std::wstring& orvanId) {
    Header().OrvanId = orvanId.empty() ? NewOrvanId() : orvanId;
    Header().TemplateOrvanId = kTemplateOrvanId;
}

OrvanStructure::OrvanStructure(const Archive& archive) {
    UseArchive(archive);
    LoadStructure(Owner(), archive.Reader());
}

OrvanStructure::OrvanStructure(const Archive& archive, std::vector<const ClassInfo*> early,
                               std::function<void(Object&)> take) {
    UseArchive(archive);
    LoadStructure(Owner(), archive.Reader(), {std::move(early), std::move(take)});
}

const ClassInfo& OrvanStructure::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_CHILDREN(OrvanStructure, GlobalDefinitions), ORVAN_CHILD(OrvanStructure, ProcessingInfo),
        ORVAN_CHILDREN(OrvanStructure, PatientInfo),       ORVAN_CHILDREN(OrvanStructure, Address),
        ORVAN_CHILDREN(OrvanStructure, Document),
    };
    static const ClassInfo info = MakeClassInfo<OrvanStructure>("OrvanStructure", properties);
    return info;
}

fullORVAN::GlobalDefinitions* OrvanStructure::NewGlobalDefinitions() {
    return Owner().CreateInto(GlobalDefinitions, "OrvanStructure.NewGlobalDefinitions");
}
fullORVAN::ProcessingInfo* OrvanStructure::NewProcessingInfo() {
    return Owner().CreateInto(ProcessingInfo, "OrvanStructure.NewProcessingInfo");
}
fullORVAN::PatientInfo* OrvanStructure::NewPatientInfo() {
    return Owner().CreateInto(PatientInfo, "OrvanStructure.NewPatientInfo");
}
fullORVAN::Address* OrvanStructure::NewAddress() { return Owner().CreateInto(Address, "OrvanStructure.NewAddress"); }
fullORVAN::Document* OrvanStructure::NewDocument() {
    return Owner().CreateInto(Document, "OrvanStructure.NewDocument");
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
