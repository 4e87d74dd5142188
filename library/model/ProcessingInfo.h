#pragma once

#include "library/DateTime.h"
#include "library/Object.h"
#include "library/model/Address.h"

namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN {

class Software final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    Text Name;
    Text Version;
    Text Copyright;
    fullORVAN::ManufacturerAddress* ManufacturerAddress = nullptr;

    fullORVAN::ManufacturerAddress* NewManufacturerAddress();
};

class ProcessingInfo final : public Object {
    ORVAN_OBJECT_CLASS()
public:
    DateTime Date;
    Text Title;
    fullORVAN::AuthorAddress* AuthorAddress = nullptr;
    fullORVAN::RecipientAddress* RecipientAddress = nullptr;
    fullORVAN::Software* Software = nullptr;

    fullORVAN::AuthorAddress* NewAuthorAddress();
    fullORVAN::RecipientAddress* NewRecipientAddress();
    fullORVAN::Software* NewSoftware();
};

}  // namespace Dorv::Orvan::Framework::Common::Classes::fullORVAN
