#pragma once

#include <cstdint>
#include <string>

// Kind of an address. Only eAddressTypeCompany gives the company form in the
// record library; every other value gives the person form.
enum enumOrvanAddressType : std::int32_t {
    eAddressTypeNone = 0,
    eAddressTypePerson = 1,
    eAddressTypeCompany = 2,
};

// One address of a party: a person or a company, with postal data and fixed
// slots for phones, online addresses and identificators. Constructed in its
// reset state: ID 0, no kind, sex 2, every text empty.
struct structOrvanAddress {
    std::int32_t lID = 0;
    std::int32_t nAddressType = eAddressTypeNone;
    std::int32_t nSex = 2;
    std::wstring bstrTitle;
    std::wstring bstrSalutation;
    std::wstring bstrFamilyname;  // a company's name
    std::wstring bstrMaidenname;
    std::wstring bstrFirstname;  // a company's department
    std::wstring bstrStreet;
    std::wstring bstrSubaddress;
    std::wstring bstrPobox;
    std::wstring bstrZip;
    std::wstring bstrCity;
    std::wstring bstrCanton;
    std::wstring bstrCountry;
    std::wstring bstrSpecialty1;
    std::wstring bstrSpecialty2;
    std::wstring bstrPhone1;
    std::wstring bstrPhone2;
    std::wstring bstrPhone3;
    std::wstring bstrPhone4;
    std::wstring bstrPhone5;
    std::wstring bstrPhone6;
    std::wstring bstrOnline1;
    std::wstring bstrOnline2;
    std::wstring bstrOnline3;
    std::wstring bstrOnline4;
    std::wstring bstrIdentificator1;
    std::wstring bstrIdentificator2;
    std::wstring bstrIdentificator3;
    std::wstring bstrIdentificator4;

    bool operator==(const structOrvanAddress&) const = default;
};
