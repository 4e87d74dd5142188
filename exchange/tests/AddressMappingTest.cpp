#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "HandlerTestAccess.h"
#include "library/io/FaultInjection.h"

namespace {

// A person with every text: "text4.<n>" is the address's n-th text, so
// "text4.15" is phone 1.
structOrvanAddress Person() {
    structOrvanAddress a = orvan::record::testing::FilledAddress(4);
    a.nAddressType = eAddressTypePerson;
    return a;
}

std::wstring Text(int n) { return L"text4." + std::to_wstring(n); }

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

TEST_F(AddressMappingTest, EntriesFollowTheSlotTablesInExportOrder) {
    model::Address* address = Export(Person());
    ASSERT_NE(address->Person, nullptr);
    EXPECT_EQ(address->Company, nullptr);
    ASSERT_NE(address->Postal, nullptr);
    std::vector<std::tuple<std::wstring, int, int>> entries;  // text, origin (-1: none), type
    for (const auto* t : address->Telecom) {
        entries.emplace_back(*t->PhoneNumber, static_cast<int>(t->OriginType), static_cast<int>(t->PhoneType));
    }
    for (const auto* o : address->Online) {
        entries.emplace_back(*o->OnlineAddress, static_cast<int>(o->OriginType), static_cast<int>(o->OnlineType));
    }
    for (const auto* i : address->Identificators) {
        entries.emplace_back(*i->Identificator, -1, static_cast<int>(i->IdentificatorType));
    }
    // In the order of creation: phones 2,1,4,3,6,5; online 2,1,4,3; identificators 1-4.
    EXPECT_EQ(entries, (std::vector<std::tuple<std::wstring, int, int>>{
                           {Text(16), 0, 0}, {Text(15), 1, 0}, {Text(18), 0, 1}, {Text(17), 1, 1}, {Text(20), 0, 3},
                           {Text(19), 1, 3}, {Text(22), 0, 0}, {Text(21), 1, 0}, {Text(24), 0, 1}, {Text(23), 1, 1},
                           {Text(25), -1, 0}, {Text(26), -1, 2}, {Text(27), -1, 1}, {Text(28), -1, 3}}));

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
    EXPECT_EQ(Import(Export(Person())), Person()) << "a person with every slot comes back unchanged";
    EXPECT_EQ(h_.capture.AssertionCount(), 0u);
    structOrvanAddress none = Person();
    none.nAddressType = eAddressTypeNone;
    EXPECT_EQ(Import(Export(none)).nAddressType, eAddressTypePerson);

    structOrvanAddress company = Person();
    company.nAddressType = eAddressTypeCompany;
    const structOrvanAddress back = Import(Export(company));
    EXPECT_EQ(back.nAddressType, eAddressTypeCompany);
    EXPECT_EQ(back.bstrFamilyname, Text(3));
    EXPECT_EQ(back.bstrFirstname, Text(5));
    EXPECT_EQ(back.nSex, 2) << "person-only fields stay as the reset record had them";
    EXPECT_EQ(back.bstrTitle + back.bstrSalutation + back.bstrMaidenname + back.bstrSpecialty1, L"");
    EXPECT_EQ(back.bstrPhone6, Text(20));

    structOrvanAddress second = Person();
    second.bstrSpecialty1.clear();
    const model::Address* exported = Export(second);
    EXPECT_EQ(exported->Person->Specialty.Count(), 1u);
    const structOrvanAddress moved = Import(const_cast<model::Address*>(exported));
    EXPECT_EQ(moved.bstrSpecialty1, Text(14));
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
    EXPECT_EQ(address->Person->Title, Text(1)) << "what was set stays";
    EXPECT_EQ(address->Telecom.Count(), 0u);
}

}  // namespace
