// Addresses: record to library object and back, the address trace, and the
// protocol by which a party refers to its address.
#include <algorithm>
#include <array>

#include "exchange/AddressSlots.h"
#include "exchange/ExchangeValues.h"
#include "exchange/OrvanHandler.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/MessageBox.h"

using namespace orvan::exchange;

namespace {

// Export visits phone and online slots by type number, origin 0 before
// origin 1; identificator slots in the order of their table.
template <std::size_t N>
std::array<const AddressSlot*, N> ExportOrder(const AddressSlot (&slots)[N]) {
    std::array<const AddressSlot*, N> order{};
    std::transform(std::begin(slots), std::end(slots), order.begin(), [](const AddressSlot& s) { return &s; });
    std::stable_sort(order.begin(), order.end(), [](const AddressSlot* a, const AddressSlot* b) {
        return a->originType != kNoOrigin && std::pair(a->type, a->originType) < std::pair(b->type, b->originType);
    });
    return order;
}

// Makes one entry per filled slot with `make`, which also sets the entry's
// numbers and text; false when a factory gave nothing.
template <std::size_t N, typename Make>
bool ExportSlots(const structOrvanAddress& record, const AddressSlot (&slots)[N], Make make) {
    for (const AddressSlot* slot : ExportOrder(slots)) {
        const std::wstring& text = record.*slot->field;
        if (!text.empty() && !make(*slot, text)) {
            return false;
        }
    }
    return true;
}

// Files one entry into its slot; entries without a slot, and entries for a
// slot already filled, are dropped with a debug assertion.
void ImportSlot(structOrvanAddress& record, std::span<const AddressSlot> slots, std::int32_t originType,
                std::int32_t type, const Text& text) {
    if (originType != kNoOrigin && !ORVAN_ASSERT(originType == 0 || originType == 1)) {
        return;
    }
    const AddressSlot* slot = FindSlot(slots, originType, type);
    if (!ORVAN_ASSERT(slot != nullptr) || !ORVAN_ASSERT((record.*slot->field).empty())) {
        return;
    }
    record.*slot->field = ToRecordText(text);
}

}  // namespace

void COrvanHandler::DoExportAddress(const structOrvanAddress* psAddress, Address* pAddress) {
    if (!ORVAN_ASSERT(pAddress != nullptr) || !ORVAN_ASSERT(psAddress != nullptr)) {
        return;
    }
    const structOrvanAddress& r = *psAddress;
    pAddress->ID = WidenId(r.lID);
    if (r.nAddressType == eAddressTypeCompany) {
        model::Company* company = pAddress->NewCompany();
        if (!ORVAN_ASSERT(company != nullptr)) {
            return;
        }
        company->Department = ToLibraryText(r.bstrFirstname);
        company->Name = ToLibraryText(r.bstrFamilyname);
        company->Subaddress = ToLibraryText(r.bstrSubaddress);
    } else {
        model::Person* person = pAddress->NewPerson();
        if (!ORVAN_ASSERT(person != nullptr)) {
            return;
        }
        person->Familyname = ToLibraryText(r.bstrFamilyname);
        person->Firstname = ToLibraryText(r.bstrFirstname);
        person->Maidenname = ToLibraryText(r.bstrMaidenname);
        person->Salutation = ToLibraryText(r.bstrSalutation);
        person->Sex = static_cast<model::EnumSex>(r.nSex);
        for (const std::wstring* specialty : {&r.bstrSpecialty1, &r.bstrSpecialty2}) {
            if (!specialty->empty()) {
                person->Specialty.Add(ToLibraryText(*specialty));
            }
        }
        person->Subaddress = ToLibraryText(r.bstrSubaddress);
        person->Title = ToLibraryText(r.bstrTitle);
    }
    model::Postal* postal = pAddress->NewPostal();
    if (!ORVAN_ASSERT(postal != nullptr)) {
        return;
    }
    postal->Pobox = ToLibraryText(r.bstrPobox);
    postal->Street = ToLibraryText(r.bstrStreet);
    postal->Zip = ToLibraryText(r.bstrZip);
    postal->City = ToLibraryText(r.bstrCity);
    postal->Canton = ToLibraryText(r.bstrCanton);
    postal->Country = ToLibraryText(r.bstrCountry);

    const bool phones = ExportSlots(r, kPhoneSlots, [&](const AddressSlot& slot, const std::wstring& text) {
        model::Telecom* entry = pAddress->NewTelecom();
        if (!ORVAN_ASSERT(entry != nullptr)) {
            return false;
        }
        entry->OriginType = static_cast<model::EnumOriginType>(slot.originType);
        entry->PhoneType = static_cast<model::EnumPhoneType>(slot.type);
        entry->PhoneNumber = ToLibraryText(text);
        return true;
    });
    const bool online = phones && ExportSlots(r, kOnlineSlots, [&](const AddressSlot& slot, const std::wstring& text) {
        model::Online* entry = pAddress->NewOnline();
        if (!ORVAN_ASSERT(entry != nullptr)) {
            return false;
        }
        entry->OriginType = static_cast<model::EnumOriginType>(slot.originType);
        entry->OnlineType = static_cast<model::EnumOnlineType>(slot.type);
        entry->OnlineAddress = ToLibraryText(text);
        return true;
    });
    if (online) {
        ExportSlots(r, kIdentificatorSlots, [&](const AddressSlot& slot, const std::wstring& text) {
            model::Identificators* entry = pAddress->NewIdentificators();
            if (!ORVAN_ASSERT(entry != nullptr)) {
                return false;
            }
            entry->IdentificatorType = static_cast<model::EnumIdentificatorType>(slot.type);
            entry->Identificator = ToLibraryText(text);
            return true;
        });
    }
}

void COrvanHandler::DoImportAddress(Address* pAddress, structOrvanAddress* psAddress) {
    if (!ORVAN_ASSERT(pAddress != nullptr) || !ORVAN_ASSERT(psAddress != nullptr)) {
        return;
    }
    DoTraceAddress(pAddress);
    structOrvanAddress& r = *psAddress;
    r.lID = LowBits(pAddress->ID);
    if (const model::Person* person = pAddress->Person) {
        r.nAddressType = eAddressTypePerson;
        r.nSex = static_cast<std::int32_t>(person->Sex);
        r.bstrFamilyname = ToRecordText(person->Familyname);
        r.bstrFirstname = ToRecordText(person->Firstname);
        r.bstrMaidenname = ToRecordText(person->Maidenname);
        r.bstrSalutation = ToRecordText(person->Salutation);
        // Entries are numbered from 1, a missing one included; only the first two count.
        std::wstring* specialties[] = {&r.bstrSpecialty1, &r.bstrSpecialty2};
        for (std::size_t number = 0; number < std::min<std::size_t>(2, person->Specialty.Count()); ++number) {
            const Text& specialty = person->Specialty[number];
            if (ORVAN_ASSERT(specialty.has_value())) {
                *specialties[number] = ToRecordText(specialty);
            }
        }
        r.bstrSubaddress = ToRecordText(person->Subaddress);
        r.bstrTitle = ToRecordText(person->Title);
    } else if (const model::Company* company = pAddress->Company) {
        r.nAddressType = eAddressTypeCompany;
        r.bstrFirstname = ToRecordText(company->Department);
        r.bstrFamilyname = ToRecordText(company->Name);
        r.bstrSubaddress = ToRecordText(company->Subaddress);
    } else {
        ORVAN_ASSERT(false && "an address names a person or a company");
        return;
    }
    if (const model::Postal* postal = pAddress->Postal) {
        r.bstrPobox = ToRecordText(postal->Pobox);
        r.bstrStreet = ToRecordText(postal->Street);
        r.bstrZip = ToRecordText(postal->Zip);
        r.bstrCity = ToRecordText(postal->City);
        r.bstrCanton = ToRecordText(postal->Canton);
        r.bstrCountry = ToRecordText(postal->Country);
    }
    for (const model::Telecom* entry : pAddress->Telecom) {
        if (ORVAN_ASSERT(entry != nullptr)) {
            ImportSlot(r, kPhoneSlots, static_cast<std::int32_t>(entry->OriginType),
                       static_cast<std::int32_t>(entry->PhoneType), entry->PhoneNumber);
        }
    }
    for (const model::Online* entry : pAddress->Online) {
        if (ORVAN_ASSERT(entry != nullptr)) {
            ImportSlot(r, kOnlineSlots, static_cast<std::int32_t>(entry->OriginType),
                       static_cast<std::int32_t>(entry->OnlineType), entry->OnlineAddress);
        }
    }
    for (const model::Identificators* entry : pAddress->Identificators) {
        if (ORVAN_ASSERT(entry != nullptr)) {
            ImportSlot(r, kIdentificatorSlots, kNoOrigin, static_cast<std::int32_t>(entry->IdentificatorType),
                       entry->Identificator);
        }
    }
}

void COrvanHandler::DoTraceAddress(Address* pAddress) {
    using orvan::platform::DebugTrace;
    if (!ORVAN_ASSERT(pAddress != nullptr)) {
        return;
    }
    const model::Company* company = pAddress->Company;
    const model::Person* person = pAddress->Person;
    const bool companyLine = company && !ToRecordText(company->Name).empty();
    const bool personLine = person && !ToRecordText(person->Familyname).empty();
    if (companyLine) {
        DebugTrace(L"'%s' '%s'\n", ToRecordText(company->Name), ToRecordText(company->Department));
    }
    if (personLine) {
        DebugTrace(L"'%s' '%s'\n", ToRecordText(person->Familyname), ToRecordText(person->Firstname));
    }
    ORVAN_ASSERT(companyLine != personLine);  // an address names exactly one company or one person
    if (const model::Postal* postal = pAddress->Postal) {
        DebugTrace(L"'%s' '%s'\n", ToRecordText(postal->Zip), ToRecordText(postal->City));
    }
}

bool COrvanHandler::DoExportAddressReference(OrvanStructure* pOrvanStructure, const structOrvanAddress& sAddress,
                                             Address*& pAddressRefID, std::wstring_view strMessage) {
    Address* pAddress = pOrvanStructure->NewAddress();
    if (pAddress == nullptr) {
        f_listener.ShowMessage(strMessage, orvan::platform::MessageKind::Warning);
        ORVAN_ASSERT(pAddress != nullptr);
        return false;
    }
    DoExportAddress(&sAddress, pAddress);
    pAddressRefID = pAddress;
    return true;
}
