#pragma once

#include <cstdint>

#include "library/BaseCollection.h"
#include "library/Object.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

// Enumerations carry any 32-bit number unchanged; the named values are the
// ones this library gives a meaning.
enum class EnumSex : std::int32_t { Male = 0, Female = 1, Unknown = 2 };
enum class EnumOriginType : std::int32_t { Private = 0, Business = 1 };
enum class EnumPhoneType : std::int32_t { Phone = 0, Fax = 1, Pager = 2, Mobile = 3 };
enum class EnumOnlineType : std::int32_t { Email = 0, Web = 1 };
enum class EnumIdentificatorType : std::int32_t { Global = 0, National = 1, Insurance = 2, Other = 3 };

class Person final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Familyname;
    Text Firstname;
    Text Maidenname;
    Text Salutation;
    Text Subaddress;
    Text Title;
    EnumSex Sex = EnumSex::Male;
    BaseCollection<Text> Specialty;
};

class Company final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Name;
    Text Department;
    Text Subaddress;
};

class Postal final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Pobox;
    Text Street;
    Text Zip;
    Text City;
    Text Canton;
    Text Country;
};

class Telecom final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    EnumOriginType OriginType = EnumOriginType::Private;
    EnumPhoneType PhoneType = EnumPhoneType::Phone;
    Text PhoneNumber;
};

class Online final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    EnumOriginType OriginType = EnumOriginType::Private;
    EnumOnlineType OnlineType = EnumOnlineType::Email;
    Text OnlineAddress;
};

class Identificators final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    EnumIdentificatorType IdentificatorType = EnumIdentificatorType::Global;
    Text Identificator;
};

using TelecomCollection = BaseCollection<Telecom*>;
using OnlineCollection = BaseCollection<Online*>;
using IdentificatorsCollection = BaseCollection<Identificators*>;

// An address: a person or a company, with postal data and contact entries.
class Address final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    std::int64_t ID = 0;
    fullORVAN::Person* Person = nullptr;
    fullORVAN::Company* Company = nullptr;
    fullORVAN::Postal* Postal = nullptr;
    TelecomCollection Telecom;
    OnlineCollection Online;
    IdentificatorsCollection Identificators;

    fullORVAN::Person* NewPerson();
    fullORVAN::Company* NewCompany();
    fullORVAN::Postal* NewPostal();
    fullORVAN::Telecom* NewTelecom();
    fullORVAN::Online* NewOnline();
    fullORVAN::Identificators* NewIdentificators();
};

// The parties' references to their addresses.
class AuthorAddress final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Address* AddressRefID = nullptr;
};

class RecipientAddress final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Address* AddressRefID = nullptr;
};

class ManufacturerAddress final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Address* AddressRefID = nullptr;
};

class ProducerAddress_Document final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Address* AddressRefID = nullptr;
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
