#include <gtest/gtest.h>

#include "HandlerTestAccess.h"
#include "library/io/FaultInjection.h"

namespace {

structOrvanAddress Person() {
    structOrvanAddress a;
    a.lID = 4;
    a.nAddressType = eAddressTypePerson;
    a.nSex = 1;
    a.bstrTitle = L"Dr. med.";
    a.bstrSalutation = L"Frau";
    a.bstrFamilyname = L"Muster";
    a.bstrMaidenname = L"Beispiel";
    a.bstrFirstname = L"Erika";
    a.bstrStreet = L"Musterweg 12";
    a.bstrSubaddress = L"2. Stock";
    a.bstrPobox = L"Postfach 1";
    a.bstrZip = L"9999";
    a.bstrCity = L"Musterdorf";
    a.bstrCanton = L"ZH";
    a.bstrCountry = L"CH";
    a.bstrSpecialty1 = L"Innere Medizin";
    a.bstrSpecialty2 = L"Kardiologie";
    std::wstring* slots[] = {&a.bstrPhone1, &a.bstrPhone2, &a.bstrPhone3, &a.bstrPhone4, &a.bstrPhone5,
                             &a.bstrPhone6, &a.bstrOnline1, &a.bstrOnline2, &a.bstrOnline3, &a.bstrOnline4,
                             &a.bstrIdentificator1, &a.bstrIdentificator2, &a.bstrIdentificator3,
                             &a.bstrIdentificator4};
    int n = 0;
    for (std::wstring* slot : slots) {
        *slot = L"slot " + std::to_wstring(++n);
    }
    return a;
}

class AddressMappingTest : public ::testing::Test {
protected:
    model::Address* Export(const structOrvanAddress& record) {
        model::Address* address = h_.structure.NewAddress();
        h_.access.ExportAddress(record, address);
        return address;
    }
    structOrvanAddress Import(model::Address* address) {
        structOrvanAddress record;
        h_.access.ImportAddress(address, record);
        return record;
    }
    HandlerHarness h_;
};

TEST_F(AddressMappingTest, APersonWithEverySlotComesBackUnchanged) {
    const structOrvanAddress person = Person();
    EXPECT_EQ(Import(Export(person)), person);
    EXPECT_EQ(h_.capture.AssertionCount(), 0u);
}

TEST_F(AddressMappingTest, EntriesFollowTheSlotTablesInExportOrder) {
    model::Address* address = Export(Person());
    ASSERT_NE(address->Person, nullptr);
    EXPECT_EQ(address->Company, nullptr);
    ASSERT_NE(address->Postal, nullptr);
    // (slot text, origin, type) in the order of creation: phones 2,1,4,3,6,5; online 2,1,4,3; identificators 1-4.
    const struct {
        const wchar_t* text;
        int origin;
        int type;
    } phones[] = {{L"slot 2", 0, 0}, {L"slot 1", 1, 0}, {L"slot 4", 0, 1},
                  {L"slot 3", 1, 1}, {L"slot 6", 0, 3}, {L"slot 5", 1, 3}},
      online[] = {{L"slot 8", 0, 0}, {L"slot 7", 1, 0}, {L"slot 10", 0, 1}, {L"slot 9", 1, 1}},
      identificators[] = {{L"slot 11", -1, 0}, {L"slot 12", -1, 2}, {L"slot 13", -1, 1}, {L"slot 14", -1, 3}};
    ASSERT_EQ(address->Telecom.Count(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(address->Telecom[i]->PhoneNumber, phones[i].text);
        EXPECT_EQ(static_cast<int>(address->Telecom[i]->OriginType), phones[i].origin);
        EXPECT_EQ(static_cast<int>(address->Telecom[i]->PhoneType), phones[i].type);
    }
    ASSERT_EQ(address->Online.Count(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(address->Online[i]->OnlineAddress, online[i].text);
        EXPECT_EQ(static_cast<int>(address->Online[i]->OriginType), online[i].origin);
        EXPECT_EQ(static_cast<int>(address->Online[i]->OnlineType), online[i].type);
    }
    ASSERT_EQ(address->Identificators.Count(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(address->Identificators[i]->Identificator, identificators[i].text);
        EXPECT_EQ(static_cast<int>(address->Identificators[i]->IdentificatorType), identificators[i].type);
    }

    structOrvanAddress same;
    same.bstrFamilyname = L"x";
    for (auto* slot : {&same.bstrPhone1, &same.bstrPhone2, &same.bstrPhone3}) {
        *slot = L"0800";
    }
    EXPECT_EQ(Export(same)->Telecom.Count(), 3u) << "equal texts still give one entry per slot";
    model::Address* empty = Export(structOrvanAddress{});
    EXPECT_NE(empty->Postal, nullptr) << "a postal part is made also when all postal texts are empty";
    EXPECT_EQ(empty->Telecom.Count() + empty->Online.Count() + empty->Identificators.Count(), 0u);
}

TEST_F(AddressMappingTest, KindsAndTheFieldsEachKindCarries) {
    structOrvanAddress none = Person();
    none.nAddressType = eAddressTypeNone;
    EXPECT_EQ(Import(Export(none)).nAddressType, eAddressTypePerson);

    structOrvanAddress company = Person();
    company.nAddressType = eAddressTypeCompany;
    const structOrvanAddress back = Import(Export(company));
    EXPECT_EQ(back.nAddressType, eAddressTypeCompany);
    EXPECT_EQ(back.bstrFamilyname, L"Muster");
    EXPECT_EQ(back.bstrFirstname, L"Erika");
    EXPECT_EQ(back.nSex, 2) << "person-only fields stay as the reset record had them";
    EXPECT_EQ(back.bstrTitle + back.bstrSalutation + back.bstrMaidenname + back.bstrSpecialty1, L"");
    EXPECT_EQ(back.bstrPhone6, L"slot 6");

    structOrvanAddress second = Person();
    second.bstrSpecialty1.clear();
    const model::Address* exported = Export(second);
    EXPECT_EQ(exported->Person->Specialty.Count(), 1u);
    const structOrvanAddress moved = Import(const_cast<model::Address*>(exported));
    EXPECT_EQ(moved.bstrSpecialty1, L"Kardiologie");
    EXPECT_EQ(moved.bstrSpecialty2, L"");

    structOrvanAddress wide = Person();
    wide.lID = -1;
    model::Address* negative = Export(wide);
    EXPECT_EQ(negative->ID, -1);
    negative->ID = (std::int64_t{1} << 32) + 5;
    EXPECT_EQ(Import(negative).lID, 5);
}

TEST_F(AddressMappingTest, EntriesWithoutASlotAreDroppedWithOneAssertionEach) {
    model::Address* address = h_.structure.NewAddress();
    address->NewPerson()->Familyname = L"Muster";
    auto phone = [&](int origin, int type, const wchar_t* number) {
        model::Telecom* t = address->NewTelecom();
        t->OriginType = static_cast<model::EnumOriginType>(origin);
        t->PhoneType = static_cast<model::EnumPhoneType>(type);
        t->PhoneNumber = number;
    };
    phone(0, 2, L"pager");
    phone(0, 0, L"first");
    phone(0, 0, L"second");
    phone(5, 0, L"bad origin");
    address->Telecom.Add(nullptr);
    auto* identificator = address->NewIdentificators();
    identificator->IdentificatorType = static_cast<model::EnumIdentificatorType>(9);
    address->Person->Specialty.Add(L"one");
    address->Person->Specialty.Add(std::nullopt);
    address->Person->Specialty.Add(std::nullopt);  // beyond the second: ignored without a check

    const std::size_t before = h_.capture.AssertionCount();
    const structOrvanAddress record = Import(address);
    EXPECT_EQ(record.bstrPhone2, L"first");
    EXPECT_EQ(record.bstrPhone1 + record.bstrPhone3 + record.bstrPhone4, L"");
    EXPECT_EQ(record.bstrSpecialty1, L"one");
    EXPECT_EQ(h_.capture.AssertionCount() - before, 6u)
        << "pager, second, bad origin, missing entry, identificator type 9, missing specialty 2";
}

TEST_F(AddressMappingTest, TheTraceNamesExactlyOneCompanyOrPerson) {
    const struct {
        const wchar_t* company;
        const wchar_t* person;
        std::vector<std::wstring> lines;
        std::size_t assertions;
    } cases[] = {
        {L"Muster AG", nullptr, {L"'Muster AG' 'Einkauf'", L"'9999' 'Musterdorf'"}, 0},
        {nullptr, L"Muster", {L"'Muster' 'Max'", L"'9999' 'Musterdorf'"}, 0},
        {L"Muster AG", L"Muster", {L"'Muster AG' 'Einkauf'", L"'Muster' 'Max'", L"'9999' 'Musterdorf'"}, 1},
        {nullptr, L"", {L"'9999' 'Musterdorf'"}, 1},
    };
    for (const auto& c : cases) {
        HandlerHarness h;
        model::Address* address = h.structure.NewAddress();
        if (c.company) {
            address->NewCompany()->Name = c.company;
            address->Company->Department = L"Einkauf";
        }
        if (c.person) {
            address->NewPerson()->Familyname = c.person;
            address->Person->Firstname = L"Max";
        }
        address->NewPostal()->Zip = L"9999";
        address->Postal->City = L"Musterdorf";
        structOrvanAddress record;
        h.access.ImportAddress(address, record);
        EXPECT_EQ(h.capture.TraceLines(), c.lines);
        EXPECT_EQ(h.capture.AssertionCount(), c.assertions);
        EXPECT_EQ(record.nAddressType, c.person ? eAddressTypePerson : eAddressTypeCompany);
    }

    HandlerHarness h;
    model::Address* bare = h.structure.NewAddress();
    bare->ID = 12;
    bare->NewPostal()->City = L"ignored";
    structOrvanAddress record;
    h.access.ImportAddress(bare, record);
    EXPECT_EQ(record.lID, 12);
    EXPECT_EQ(record.bstrCity, L"") << "an address without person or company brings only its ID";
}

TEST_F(AddressMappingTest, AFailingFactoryEndsTheExportWhereItFailed) {
    const auto fault = Dorv::Orvan::Framework::Common::FaultInjection::FailFactory("Address.NewPostal");
    model::Address* address = Export(Person());
    EXPECT_EQ(h_.capture.AssertionCount(), 1u);
    ASSERT_NE(address->Person, nullptr);
    EXPECT_EQ(address->Person->Title, L"Dr. med.") << "what was set stays";
    EXPECT_EQ(address->Telecom.Count(), 0u);
}

}  // namespace
