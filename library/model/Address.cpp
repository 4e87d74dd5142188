#include "library/model/Address.h"

#include "library/ClassInfo.h"
#include "library/ObjectStore.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

const ClassInfo& Person::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Person, Familyname), ORVAN_SCALAR(Person, Firstname),
        ORVAN_SCALAR(Person, Maidenname), ORVAN_SCALAR(Person, Salutation),
        ORVAN_SCALAR(Person, Subaddress), ORVAN_SCALAR(Person, Title),
        ORVAN_SCALAR(Person, Sex),        ORVAN_TEXTS(Person, Specialty),
    };
    static const ClassInfo info = MakeClassInfo<Person>("Person", properties);
    return info;
}

const ClassInfo& Company::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Company, Name),
        ORVAN_SCALAR(Company, Department),
        ORVAN_SCALAR(Company, Subaddress),
    };
    static const ClassInfo info = MakeClassInfo<Company>("Company", properties);
    return info;
}

const ClassInfo& Postal::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Postal, Pobox), ORVAN_SCALAR(Postal, Street), ORVAN_SCALAR(Postal, Zip),
        ORVAN_SCALAR(Postal, City),  ORVAN_SCALAR(Postal, Canton), ORVAN_SCALAR(Postal, Country),
    };
    static const ClassInfo info = MakeClassInfo<Postal>("Postal", properties);
    return info;
}

const ClassInfo& Telecom::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Telecom, OriginType),
        ORVAN_SCALAR(Telecom, PhoneType),
        ORVAN_SCALAR(Telecom, PhoneNumber),
    };
    static const ClassInfo info = MakeClassInfo<Telecom>("Telecom", properties);
    return info;
}

const ClassInfo& Online::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Online, OriginType),
        ORVAN_SCALAR(Online, OnlineType),
        ORVAN_SCALAR(Online, OnlineAddress),
    };
    static const ClassInfo info = MakeClassInfo<Online>("Online", properties);
    return info;
}

const ClassInfo& Identificators::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Identificators, IdentificatorType),
        ORVAN_SCALAR(Identificators, Identificator),
    };
    static const ClassInfo info = MakeClassInfo<Identificators>("Identificators", properties);
    return info;
}

const ClassInfo& Address::StaticClass() {
    static const PropertyInfo properties[] = {
        ORVAN_SCALAR(Address, ID),         ORVAN_CHILD(Address, Person),
        ORVAN_CHILD(Address, Company),     ORVAN_CHILD(Address, Postal),
        ORVAN_CHILDREN(Address, Telecom),  ORVAN_CHILDREN(Address, Online),
        ORVAN_CHILDREN(Address, Identificators),
    };
    static const ClassInfo info = MakeClassInfo<Address>("Address", properties);
    return info;
}

fullORVAN::Person* Address::NewPerson() { return Owner().CreateInto(Person, "Address.NewPerson"); }
fullORVAN::Company* Address::NewCompany() { return Owner().CreateInto(Company, "Address.NewCompany"); }
fullORVAN::Postal* Address::NewPostal() { return Owner().CreateInto(Postal, "Address.NewPostal"); }
fullORVAN::Telecom* Address::NewTelecom() { return Owner().CreateInto(Telecom, "Address.NewTelecom"); }
fullORVAN::Online* Address::NewOnline() { return Owner().CreateInto(Online, "Address.NewOnline"); }
fullORVAN::Identificators* Address::NewIdentificators() {
    return Owner().CreateInto(Identificators, "Address.NewIdentificators");
}

const ClassInfo& AuthorAddress::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_REFERENCE(AuthorAddress, AddressRefID)};
    static const ClassInfo info = MakeClassInfo<AuthorAddress>("AuthorAddress", properties);
    return info;
}

const ClassInfo& RecipientAddress::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_REFERENCE(RecipientAddress, AddressRefID)};
    static const ClassInfo info = MakeClassInfo<RecipientAddress>("RecipientAddress", properties);
    return info;
}

const ClassInfo& ManufacturerAddress::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_REFERENCE(ManufacturerAddress, AddressRefID)};
    static const ClassInfo info = MakeClassInfo<ManufacturerAddress>("ManufacturerAddress", properties);
    return info;
}

const ClassInfo& ProducerAddress_Document::StaticClass() {
    static const PropertyInfo properties[] = {ORVAN_REFERENCE(ProducerAddress_Document, AddressRefID)};
    static const ClassInfo info =
        MakeClassInfo<ProducerAddress_Document>("ProducerAddress_Document", properties);
    return info;
}

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
