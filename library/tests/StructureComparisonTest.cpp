// FindDifference names the first difference between two structures, in
// document order, by where it lies.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "library/StructureComparison.h"
#include "library/model/OrvanStructure.h"

namespace {

namespace model = Dorv::Orvan::Framework::Common::Classes::fullORVAN;

// Two addresses, the first with a person and two telephone entries.
void Fill(model::OrvanStructure& structure) {
    model::Address* first = structure.NewAddress();
    first->ID = 7;
    first->NewPerson()->Familyname = L"Muster";
    first->NewTelecom()->PhoneNumber = L"044 000 00 00";
    first->NewTelecom()->PhoneNumber = L"079 000 00 00";
    structure.NewAddress()->ID = 8;
}

struct ComparisonCase {
    const char* what;
    std::function<void(model::OrvanStructure&)> change;  // made to the right side
    std::optional<std::string> difference;
};

TEST(StructureComparisonTest, TheFirstDifferenceInDocumentOrderIsNamedWithItsPlace) {
    const ComparisonCase cases[] = {
        {"nothing changed", [](model::OrvanStructure&) {}, std::nullopt},
        {"a value", [](model::OrvanStructure& s) { s.Address[1]->ID = 9; },
         "OrvanStructure/Address[1].ID: different values"},
        {"a text inside a child", [](model::OrvanStructure& s) { s.Address[0]->Person->Familyname = L"Beispiel"; },
         "OrvanStructure/Address[0]/Person[0].Familyname: different values"},
        {"a text that is absent", [](model::OrvanStructure& s) { s.Address[0]->Person->Familyname.reset(); },
         "OrvanStructure/Address[0]/Person[0].Familyname: different values"},
        {"a list item", [](model::OrvanStructure& s) { s.Address[0]->Telecom[1]->PhoneNumber = L"0"; },
         "OrvanStructure/Address[0]/Telecom[1].PhoneNumber: different values"},
        {"a list longer", [](model::OrvanStructure& s) { s.NewAddress(); },
         "OrvanStructure.Address: 2 against 3 members"},
        {"a child missing", [](model::OrvanStructure& s) { s.Address[0]->Person = nullptr; },
         "OrvanStructure/Address[0].Person: 1 against 0 members"},
        // Both differ; the first address comes first in the document.
        {"two differences", [](model::OrvanStructure& s) {
             s.Address[1]->ID = 9;
             s.Address[0]->Telecom[0]->PhoneNumber = L"0";
         },
         "OrvanStructure/Address[0]/Telecom[0].PhoneNumber: different values"},
    };
    for (const ComparisonCase& c : cases) {
        SCOPED_TRACE(c.what);
        model::OrvanStructure left(L"2.25.1");
        model::OrvanStructure right(L"2.25.1");
        Fill(left);
        Fill(right);
        c.change(right);
        EXPECT_EQ(Dorv::Orvan::Framework::Common::FindDifference(left, right), c.difference);
    }
}

}  // namespace
